#pragma once

// How frames leave: every frame text goes through sendHexFrame, which turns
// it into bytes, hands them to the link and then pauses one millisecond per
// character while window events go on being handled.

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

class SerialLink;

// Dispatches window events until more than `ms` milliseconds have passed;
// returns at once, without dispatching, for 0 or less. Waits for events
// rather than spinning.
void pauseWithEvents(int ms);

// Sends hexTextToBytes(frameText) and, when the link took the bytes, pauses
// frameText.size() milliseconds. A closed link or failed write: no pause,
// no retry, no report. Returns the bytes handed to the link.
std::vector<std::uint8_t> sendHexFrame(SerialLink &link, std::string_view frameText);

} // namespace velmora
