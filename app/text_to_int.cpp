#include "app/text_to_int.h"

#include <limits>
#include <string>

namespace velmora {

namespace {

// Folds the full-width GBK forms into ASCII so that "３" reads as "3"; every
// other two-byte character becomes one byte that is neither blank nor digit.
std::string foldFullWidth(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            continue;
        }
        if (i + 1 == text.size()) {
            out.push_back('\x80');
            break;
        }
        const auto trail = static_cast<unsigned char>(text[++i]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE)
            out.push_back(static_cast<char>(trail - 0x80));
        else if (lead == 0xA1 && trail == 0xA1)
            out.push_back(' ');
        else
            out.push_back('\x80');
    }
    return out;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int32_t textToInt(std::string_view gbkText)
{
    const std::string text = foldFullWidth(gbkText);
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::int64_t limit = negative ? kMax + 1 : kMax;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            value = limit;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace velmora
