// Fuzzes textToInt on arbitrary GBK bytes against a reference built another
// way: full-width characters folded through a table, then strtoll on the
// folded text with its result clamped to 32 bits. Also checks that writing
// every ASCII character in its full-width form, or putting blanks in
// front, changes nothing.

#include "app/text_to_int.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace {

using namespace velmora;

void require(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// The ASCII character of each GBK character A3xx, 0 where there is none.
const std::array<char, 256> &fullWidthRow()
{
    static const std::array<char, 256> row = [] {
        std::array<char, 256> out {};
        for (int ascii = 0x21; ascii <= 0x7E; ++ascii)
            out[std::size_t(ascii) + 0x80] = static_cast<char>(ascii);
        return out;
    }();
    return row;
}

std::int32_t reference(std::string_view text)
{
    std::string folded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            // strtoll stops at a NUL as textToInt stops at any non-digit.
            folded += text[i];
            continue;
        }
        const auto trail = i + 1 < text.size() ? static_cast<unsigned char>(text[++i]) : 0;
        if (lead == 0xA3 && fullWidthRow()[trail] != 0)
            folded += fullWidthRow()[trail];
        else if (lead == 0xA1 && trail == 0xA1)
            folded += ' ';
        else
            folded += '?'; // any other character ends the number
    }
    errno = 0;
    const long long value = std::strtoll(folded.c_str(), nullptr, 10);
    constexpr long long kMin = std::numeric_limits<std::int32_t>::min();
    constexpr long long kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < kMin ? kMin : value > kMax ? kMax : value);
}

// Every printable ASCII character as its full-width form, the space as A1A1.
std::string widened(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            out += text.substr(i, 2);
            ++i;
        } else if (byte == ' ') {
            out += "\xA1\xA1";
        } else if (byte >= 0x21 && byte <= 0x7E) {
            out += '\xA3';
            out += static_cast<char>(byte + 0x80);
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::int32_t value = textToInt(text);
    require(value == reference(text), "textToInt disagrees with the reference");
    require(textToInt(widened(text)) == value, "the full-width form reads differently");
    require(textToInt(" \t\xA1\xA1" + std::string(text)) == value, "leading blanks change the value");
    return 0;
}
