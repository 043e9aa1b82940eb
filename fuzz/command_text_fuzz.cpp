// Fuzzes the command-text rules on arbitrary bytes and checks each against a
// separate statement of the rule, not only the absence of crashes:
// - stripSpaces equals "split into GBK characters, drop the spaces, the
//   full-width spaces and a trailing half character, join"; so it never
//   grows the text and leaves no space outside a two-byte character; it is
//   idempotent and can be applied piecewise at a character boundary;
// - checkCommandText agrees with "over 40 bytes, else all hex digits";
// - hexTextToBytes gives (n + 1) / 2 bytes, each the two halves of its pair
//   (0 for a half that is missing or no digit), and a Legal text comes back
//   from its bytes written with toHex2.

#include "model/command_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace velmora;

constexpr std::string_view kDigits = "0123456789ABCDEF";

void require(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// GBK characters: a byte below 0x80 alone, else the byte and the next one;
// a lead byte at the very end stands alone.
std::vector<std::string_view> characters(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = static_cast<unsigned char>(text[i]) < 0x80 ? 1 : 2;
        out.push_back(text.substr(i, width));
        i += width;
    }
    return out;
}

bool isHalfCharacter(std::string_view character)
{
    return character.size() == 1 && static_cast<unsigned char>(character[0]) >= 0x80;
}

std::string expectedStripped(std::string_view text)
{
    std::string out;
    for (std::string_view c : characters(text)) {
        if (c != " " && c != "\xA1\xA1" && !isHalfCharacter(c))
            out += c;
    }
    return out;
}

CommandTextVerdict expectedVerdict(std::string_view text)
{
    if (text.size() > 40)
        return CommandTextVerdict::TooLong;
    return text.find_first_not_of(kDigits) == std::string_view::npos ? CommandTextVerdict::Legal
                                                                     : CommandTextVerdict::Illegal;
}

int halfValue(std::string_view text, std::size_t i)
{
    if (i >= text.size())
        return 0;
    const std::size_t at = kDigits.find(text[i]);
    return at == std::string_view::npos ? 0 : static_cast<int>(at);
}

void checkStripSpaces(std::string_view text, std::size_t split)
{
    const std::string stripped = stripSpaces(text);
    require(stripped.size() <= text.size(), "stripSpaces grew the text");
    require(stripped == expectedStripped(text), "stripSpaces dropped or kept the wrong bytes");
    for (std::string_view c : characters(stripped)) {
        require(c != " ", "a space is left outside a two-byte character");
        require(!isHalfCharacter(c), "half a character is left at the end");
    }
    require(stripSpaces(stripped) == stripped, "stripSpaces is not idempotent");

    // Cut at a character boundary before a whole character, the two pieces
    // strip independently.
    std::size_t boundary = 0;
    for (std::string_view c : characters(text)) {
        if (boundary + c.size() > split || isHalfCharacter(c))
            break;
        boundary += c.size();
    }
    require(stripSpaces(text.substr(0, boundary)) + stripSpaces(text.substr(boundary)) == stripped,
        "stripSpaces differs when applied to two pieces");
}

void checkVerdict(std::string_view text)
{
    const CommandTextVerdict verdict = checkCommandText(text);
    require(verdict == expectedVerdict(text), "checkCommandText disagrees with the rule");
    require(!verdictText(verdict).empty(), "a verdict without its text");
}

void checkBytes(std::string_view text)
{
    const std::vector<std::uint8_t> bytes = hexTextToBytes(text);
    require(bytes.size() == (text.size() + 1) / 2, "hexTextToBytes gave the wrong number of bytes");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int expected = halfValue(text, 2 * i) * 16 + halfValue(text, 2 * i + 1);
        require(bytes[i] == expected, "a byte is not made of its pair's halves");
        require(hexPairToByte(text.substr(2 * i, 2)) == expected, "hexPairToByte disagrees with its pair");
    }
    if (checkCommandText(text) == CommandTextVerdict::Legal) {
        std::string again;
        for (std::uint8_t b : bytes)
            again += toHex2(b);
        // An odd text's last digit is the high half of a byte whose low half is 0.
        const std::string expected = std::string(text) + (text.size() % 2 ? "0" : "");
        require(again == expected, "a legal text does not come back from its bytes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::size_t split = size ? data[0] % (size + 1) : 0;

    checkStripSpaces(text, split);
    const std::string stripped = stripSpaces(text);
    checkVerdict(text);
    checkVerdict(stripped);
    checkBytes(text);
    checkBytes(stripped);

    // toHex2 on the values 0..255 and beyond: two digits of the low byte.
    if (size >= 2) {
        const int value = static_cast<std::int16_t>(data[0] | (data[1] << 8));
        const std::string hex = toHex2(value);
        require(hex.size() == 2 && checkCommandText(hex) == CommandTextVerdict::Legal,
            "toHex2 did not give two digits");
        require(hexPairToByte(hex) == (value & 0xFF), "toHex2 does not read back");
    }
    return 0;
}
