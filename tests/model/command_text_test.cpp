#include "model/command_text.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;
using velmora::test::gbk;

namespace {

struct StripCase {
    const char *name;
    std::string input;
    std::string expected;
};

class StripSpacesTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripSpacesTest, Strips)
{
    EXPECT_EQ(stripSpaces(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StripSpacesTest,
    ::testing::Values(StripCase{"single_spaces", "AD 66 01", "AD6601"},
                      StripCase{"runs_of_spaces", "  AD   66 01  ", "AD6601"},
                      StripCase{"full_width_spaces", "AD\xA1\xA1" "66\xA1\xA1\xA1\xA1" "01", "AD6601"},
                      StripCase{"tab_kept", "AD\t66", "AD\t66"},
                      StripCase{"line_breaks_kept", "AD\r\n66", "AD\r\n66"},
                      StripCase{"spaces_only", "   ", ""},
                      StripCase{"full_width_only", "\xA1\xA1\xA1\xA1", ""},
                      StripCase{"empty", "", ""},
                      StripCase{"lone_trailing_lead_byte", "AD 66\xB0", "AD66"},
                      StripCase{"lone_lead_after_full_width", "\xA1\xA1\xA1", ""},
                      StripCase{"chinese_kept_whole", gbk("通 道1 开"), gbk("通道1开")},
                      // A space byte that trails a lead byte belongs to the pair.
                      StripCase{"pair_with_space_trail", "\xB0\x20" "1", "\xB0\x20" "1"},
                      StripCase{"other_A1_pair_kept", "\xA1\xA2", "\xA1\xA2"},
                      StripCase{"odd_offset_full_width", "1\xA1\xA1" "2", "12"}),
    [](const auto &info) { return std::string(info.param.name); });

struct CheckCase {
    const char *name;
    std::string text;
    CommandTextVerdict expected;
};

class CheckCommandTextTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckCommandTextTest, Verdict)
{
    EXPECT_EQ(checkCommandText(GetParam().text), GetParam().expected);
}

std::string repeat(const std::string &piece, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckCommandTextTest,
    ::testing::Values(CheckCase{"empty", "", CommandTextVerdict::Legal},
                      CheckCase{"digits_40", std::string(40, '7'), CommandTextVerdict::Legal},
                      CheckCase{"digits_41", std::string(41, '7'), CommandTextVerdict::TooLong},
                      CheckCase{"g_among_41", std::string(20, 'A') + "G" + std::string(20, 'A'),
                                CommandTextVerdict::TooLong},
                      CheckCase{"g_among_39", std::string(19, 'A') + "G" + std::string(19, 'A'),
                                CommandTextVerdict::Illegal},
                      CheckCase{"lower_case", "ab12", CommandTextVerdict::Illegal},
                      CheckCase{"upper_case", "AB12", CommandTextVerdict::Legal},
                      CheckCase{"odd_digits", "ABC", CommandTextVerdict::Legal},
                      CheckCase{"all_digits", "0123456789ABCDEF", CommandTextVerdict::Legal},
                      CheckCase{"tab", "AD\t66", CommandTextVerdict::Illegal},
                      CheckCase{"space_not_stripped", "AD 66", CommandTextVerdict::Illegal},
                      CheckCase{"chinese_20_chars", repeat(gbk("通"), 20), CommandTextVerdict::Illegal},
                      CheckCase{"chinese_21_chars", repeat(gbk("通"), 21), CommandTextVerdict::TooLong}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CommandTextVerdict, Texts)
{
    EXPECT_EQ(verdictText(CommandTextVerdict::Legal), gbk("合法"));
    EXPECT_EQ(verdictText(CommandTextVerdict::Illegal), gbk("非法"));
    EXPECT_EQ(verdictText(CommandTextVerdict::TooLong), gbk("数据超长"));
}

struct BytesCase {
    const char *name;
    std::string text;
    std::vector<std::uint8_t> expected;
};

class HexTextToBytesTest : public ::testing::TestWithParam<BytesCase> {};

TEST_P(HexTextToBytesTest, Converts)
{
    EXPECT_EQ(hexTextToBytes(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexTextToBytesTest,
    ::testing::Values(BytesCase{"begin_frame", "AD66666666AAAAAABD", {0xAD, 0x66, 0x66, 0x66, 0x66, 0xAA, 0xAA, 0xAA, 0xBD}},
                      BytesCase{"plain", "0102FF", {0x01, 0x02, 0xFF}},
                      BytesCase{"odd_length", "ABC", {0xAB, 0xC0}},
                      BytesCase{"bad_high_half", "G1", {0x01}},
                      BytesCase{"bad_low_half", "1G", {0x10}},
                      BytesCase{"empty", "", {}},
                      BytesCase{"lower_case_is_zero", "ff", {0x00}},
                      BytesCase{"mixed_case", "AbC", {0xA0, 0xC0}},
                      BytesCase{"single_digit", "7", {0x70}},
                      BytesCase{"chinese_bytes_are_zero", "\xB0\xA1" "F", {0x00, 0xF0}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HexPairToByte, Halves)
{
    EXPECT_EQ(hexPairToByte("AD"), 0xAD);
    EXPECT_EQ(hexPairToByte("A"), 0xA0);
    EXPECT_EQ(hexPairToByte("0F"), 0x0F);
    EXPECT_EQ(hexPairToByte("G1"), 0x01);
    EXPECT_EQ(hexPairToByte("1G"), 0x10);
    EXPECT_EQ(hexPairToByte("zz"), 0x00);
    EXPECT_EQ(hexPairToByte(""), 0x00);
}

struct Hex2Case {
    int value;
    const char *expected;
};

class ToHex2Test : public ::testing::TestWithParam<Hex2Case> {};

TEST_P(ToHex2Test, TwoUpperCaseDigits)
{
    EXPECT_EQ(toHex2(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ToHex2Test,
    ::testing::Values(Hex2Case { 0, "00" }, Hex2Case { 1, "01" }, Hex2Case { 9, "09" }, Hex2Case { 10, "0A" },
        Hex2Case { 15, "0F" }, Hex2Case { 16, "10" }, Hex2Case { 78, "4E" }, Hex2Case { 98, "62" },
        Hex2Case { 255, "FF" }),
    // Appended, not "n" + ...: GCC 12 warns falsely (-Wrestrict) on that at -O3
    [](const auto &info) { return std::string("n").append(std::to_string(info.param.value)); });

} // namespace
