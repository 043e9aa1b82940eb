#include "app/text_to_int.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

#include <string>

using namespace velmora;

namespace {

struct Case {
    const char *name;
    std::string text; // GBK
    int expected;
};

class TextToIntTest : public ::testing::TestWithParam<Case> { };

TEST_P(TextToIntTest, Reads)
{
    EXPECT_EQ(textToInt(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextToIntTest,
    ::testing::Values(Case { "digit", "3", 3 }, Case { "full_width_digit", test::gbk("３"), 3 },
        Case { "full_width_number", test::gbk("１２３"), 123 }, Case { "leading_space", " 12", 12 },
        Case { "leading_full_width_space", test::gbk("　12"), 12 }, Case { "leading_tab", "\t7", 7 },
        Case { "trailing_letters", "3abc", 3 }, Case { "com_prefix", "COM3", 0 },
        Case { "letters", "abc", 0 }, Case { "empty", "", 0 }, Case { "negative", "-2", -2 },
        Case { "full_width_minus", test::gbk("－４"), -4 }, Case { "plus", "+9600", 9600 },
        Case { "sign_only", "-", 0 }, Case { "space_after_sign", "- 2", 0 },
        Case { "chinese_stops", test::gbk("9中"), 9 }, Case { "lone_lead_byte", "5\xB0", 5 },
        Case { "saturates_high", "99999999999", 2147483647 },
        Case { "saturates_low", "-99999999999", -2147483647 - 1 },
        Case { "int_min", "-2147483648", -2147483647 - 1 }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
