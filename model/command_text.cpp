#include "model/command_text.h"

namespace velmora {

std::string_view verdictText(CommandTextVerdict verdict)
{
    switch (verdict) {
    case CommandTextVerdict::Legal: return "\xBA\xCF\xB7\xA8";                      // 合法
    case CommandTextVerdict::Illegal: return "\xB7\xC7\xB7\xA8";                    // 非法
    case CommandTextVerdict::TooLong: return "\xCA\xFD\xBE\xDD\xB3\xAC\xB3\xA4";    // 数据超长
    }
    return {};
}

std::string stripSpaces(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (byte != ' ')
                out.push_back(text[i]);
            continue;
        }
        if (i + 1 == text.size())
            break; // half a character at the end
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (!(byte == 0xA1 && trail == 0xA1)) {
            out.push_back(text[i]);
            out.push_back(text[i + 1]);
        }
        ++i;
    }
    return out;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isHexDigit(char c)
{
    return hexDigitValue(c) >= 0;
}

CommandTextVerdict checkCommandText(std::string_view text)
{
    if (text.size() > kMaxCommandDigits)
        return CommandTextVerdict::TooLong;
    for (char c : text) {
        if (!isHexDigit(c))
            return CommandTextVerdict::Illegal;
    }
    return CommandTextVerdict::Legal;
}

std::uint8_t hexPairToByte(std::string_view pair)
{
    const auto half = [&](std::size_t i) {
        const int v = i < pair.size() ? hexDigitValue(pair[i]) : -1;
        return v < 0 ? 0 : v;
    };
    return static_cast<std::uint8_t>(half(0) * 16 + half(1));
}

std::vector<std::uint8_t> hexTextToBytes(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) / 2);
    for (std::size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(hexPairToByte(text.substr(i, 2)));
    return bytes;
}

std::string toHex2(int value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto v = static_cast<unsigned>(value) & 0xFFu;
    return {kDigits[v >> 4], kDigits[v & 0xFu]};
}

} // namespace velmora
