#pragma once

// Rules for the hexadecimal command texts that users type for a slot. All
// functions work on GBK bytes: an ASCII character is one byte, a Chinese
// character two. Only "0"-"9" and upper-case "A"-"F" are hex digits.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class CommandTextVerdict { Legal, Illegal, TooLong };

// "合法", "非法" or "数据超长" in GBK.
std::string_view verdictText(CommandTextVerdict verdict);

// A command text may carry at most 40 hex digits (20 bytes on the wire).
inline constexpr std::size_t kMaxCommandDigits = 40;

// The text without ASCII spaces and GBK full-width spaces (A1 A1). Tabs and
// line breaks stay; two-byte characters stay whole; a lead byte at the very
// end of the text (half a character) is dropped.
std::string stripSpaces(std::string_view text);

// Verdict for a text whose spaces are already removed: TooLong above 40
// bytes whatever it holds, else Illegal at the first non-digit, else Legal
// (the empty text included; odd lengths are fine).
CommandTextVerdict checkCommandText(std::string_view text);

bool isHexDigit(char c);
int hexDigitValue(char c); // 0..15 for a hex digit, -1 otherwise

// The byte of a one- or two-byte text; a half that is missing or not a hex
// digit counts as 0.
std::uint8_t hexPairToByte(std::string_view pair);

// Pairs from the start, the last one a single byte for odd lengths; never
// rejects (see hexPairToByte). Gives (length + 1) / 2 bytes.
std::vector<std::uint8_t> hexTextToBytes(std::string_view text);

// Two upper-case hex digits with a leading zero, for 0..255. Values outside
// that range are reduced to their low byte.
std::string toHex2(int value);

} // namespace velmora
