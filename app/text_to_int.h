#pragma once

#include <cstdint>
#include <string_view>

namespace velmora {

// The number in a box's GBK text, as the port-number and baud-rate boxes are
// read: full-width forms (row A3 and the full-width space A1 A1) count as
// their ASCII characters; leading white space is skipped, then an optional
// sign and the decimal digits up to the first non-digit. No digits gives 0.
// Values beyond 32 bits saturate.
std::int32_t textToInt(std::string_view gbkText);

} // namespace velmora
