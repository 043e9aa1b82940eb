#include "config/profile.h"
#include "scratch_folder.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace velmora;
using namespace std::string_literals;
using velmora::test::gbk;
using velmora::test::readBytes;
using velmora::test::ScratchFolder;
using velmora::test::writeBytes;

namespace {

struct ReadCase {
    const char *name;
    std::string content;
    std::string section;
    std::string key;
    std::string expected;
};

class ReadProfileValueTest : public ::testing::TestWithParam<ReadCase> { };

TEST_P(ReadProfileValueTest, FindsValue)
{
    const ReadCase &c = GetParam();
    ScratchFolder folder;
    const auto file = folder / "profile.ini";
    writeBytes(file, c.content);
    EXPECT_EQ(readProfileValue(file, c.section, c.key), c.expected);
    // Reading through the one-pass reader for several keys gives the same.
    const ProfileKey keys[] = { { c.section, c.key }, { "other", "key" } };
    EXPECT_EQ(findProfileValues(c.content, keys).front(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadProfileValueTest,
    ::testing::Values(ReadCase { "plain", "[s]\r\nk=v\r\n", "s", "k", "v" },
        ReadCase { "blanks_around_key_and_value", "[s]\r\n \tk \t=  A5  01 \t\r\n", "s", "k", "A5  01" },
        ReadCase { "value_after_first_equals", "[s]\r\nk=a=b\r\n", "s", "k", "a=b" },
        ReadCase { "empty_value", "[s]\r\nk=\r\nj=1\r\n", "s", "k", "" },
        ReadCase { "key_letters_any_case", gbk("[播放器]\r\nok=20\r\n"), gbk("播放器"), "OK", "20" },
        ReadCase { "section_letters_any_case", "[Abc]\r\nk=1\r\n", "aBC", "k", "1" },
        // 0x81 0x61 and 0x81 0x41 are two different GBK characters whose
        // second bytes happen to be "a" and "A".
        ReadCase { "gbk_trail_letter_not_folded", "[s]\r\n\x81\x61=1\r\n", "s", "\x81\x41", "" },
        ReadCase { "gbk_trail_letter_exact", "[s]\r\n\x81\x61=1\r\n", "s", "\x81\x61", "1" },
        ReadCase { "bracket_as_second_byte", "[\x81\x5D]\r\nk=1\r\n", "\x81\x5D", "k", "1" },
        ReadCase { "whole_key_only", gbk("[扩展]\r\n扩展10=4C\r\n"), gbk("扩展"), gbk("扩展1"), "" },
        ReadCase { "longer_key_found", gbk("[扩展]\r\n扩展1=43\r\n扩展10=4C\r\n"), gbk("扩展"), gbk("扩展10"),
            "4C" },
        ReadCase { "same_key_other_section", gbk("[投影机]\r\nHDMI1=19\r\n[功放]\r\nHDMI1=36\r\n"),
            gbk("功放"), "HDMI1", "36" },
        ReadCase { "first_header_only", "[s]\r\nk=1\r\n[t]\r\n[s]\r\nj=2\r\n", "s", "j", "" },
        ReadCase { "first_entry_wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1" },
        ReadCase { "key_before_any_section", "k=0\r\n[s]\r\nj=1\r\n", "s", "k", "" },
        ReadCase { "section_ends_at_next_header", "[s]\r\n[t]\r\nk=1\r\n", "s", "k", "" },
        ReadCase { "semicolon_comment", "[s]\r\n;k=1\r\nk=2\r\n", "s", "k", "2" },
        ReadCase { "hash_comment", "[s]\r\n  # k=1\r\n", "s", "k", "" },
        ReadCase { "comment_in_front_of_header", ";[s]\r\nk=1\r\n[s]\r\nk=2\r\n", "s", "k", "2" },
        ReadCase { "blank_lines", "\r\n[s]\r\n\r\n \t\r\nk=1\r\n", "s", "k", "1" },
        ReadCase { "line_without_equals", "[s]\r\nk\r\nk=1\r\n", "s", "k", "1" },
        ReadCase { "quotes_kept", "[s]\r\nk=\"A5 01\"\r\n", "s", "k", "\"A5 01\"" },
        ReadCase { "lf_line_ends", "[s]\nk=1\nj=2\n", "s", "j", "2" },
        ReadCase { "cr_line_ends", "[s]\rk=1\rj=2\r", "s", "j", "2" },
        ReadCase { "no_final_line_end", "[s]\r\nk=1", "s", "k", "1" },
        ReadCase { "utf8_byte_order_mark", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1" },
        ReadCase { "nul_is_an_ordinary_byte", "[s]\r\nk=A\0B\r\nj=2\r\n"s, "s", "k", "A\0B"s },
        ReadCase { "nul_in_file_key", "[s]\r\nk\0=1\r\n"s, "s", "k", "" },
        ReadCase { "header_with_trailing_text", "[s] ; note\r\nk=1\r\n", "s", "k", "1" },
        ReadCase { "header_with_blanks", "  [ s\t]  \r\nk=1\r\n", "s", "k", "1" },
        ReadCase { "header_without_bracket_is_nobody", "[s\r\nk=1\r\n", "s", "k", "" },
        ReadCase { "broken_header_ends_section", "[s]\r\n[t\r\nk=1\r\n", "s", "k", "" },
        ReadCase { "missing_section", "[s]\r\nk=1\r\n", "t", "k", "" },
        ReadCase { "missing_key", "[s]\r\nk=1\r\n", "s", "j", "" },
        ReadCase { "empty_section_argument", "[]\r\nk=1\r\n", "", "k", "" },
        ReadCase { "empty_key_argument", "[s]\r\n=1\r\n", "s", "", "" },
        ReadCase {
            "value_cut", "[s]\r\nk=" + std::string(12000, 'A') + "\r\n", "s", "k", std::string(10239, 'A') },
        ReadCase { "value_at_limit", "[s]\r\nk=" + std::string(10239, 'B') + "  \r\n", "s", "k",
            std::string(10239, 'B') },
        ReadCase { "long_line_without_end", "[s]\r\n" + std::string(1 << 20, 'k') + "=1", "s", "k", "" }),
    [](const auto &info) { return std::string(info.param.name); });

std::string repeated(const std::string &piece, std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

TEST(ReadProfileValue, CutKeepsCharactersWhole)
{
    ScratchFolder folder;
    const auto file = folder / "profile.ini";
    const std::string channel = gbk("通");
    writeBytes(file, "[s]\r\nk=" + repeated(channel, 6000) + "\r\n");
    // 10 239 bytes would end in the first half of the 5 120th character.
    EXPECT_EQ(readProfileValue(file, "s", "k"), repeated(channel, 5119));

    writeBytes(file, "[s]\r\nk=A" + repeated(channel, 6000) + "\r\n");
    EXPECT_EQ(readProfileValue(file, "s", "k"), "A" + repeated(channel, 5119));
}

TEST(ReadProfileValue, MissingOrUnreadableFileGivesEmpty)
{
    ScratchFolder folder;
    EXPECT_EQ(readProfileValue(folder / "missing.ini", "s", "k"), "");
    EXPECT_EQ(readProfileValue(folder.path(), "s", "k"), "");
    EXPECT_EQ(readProfileValue("", "s", "k"), "");
}

struct WriteCase {
    const char *name;
    std::optional<std::string> before; // no file when empty
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

class WriteProfileValueTest : public ::testing::TestWithParam<WriteCase> { };

TEST_P(WriteProfileValueTest, ChangesOnlyTheEntry)
{
    const WriteCase &c = GetParam();
    ScratchFolder folder;
    const auto file = folder / "profile.ini";
    if (c.before)
        writeBytes(file, *c.before);
    EXPECT_TRUE(writeProfileValue(file, c.section, c.key, c.value));
    EXPECT_EQ(readBytes(file), c.after);
    EXPECT_EQ(folder.names(), std::set<std::string> { "profile.ini" });
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteProfileValueTest,
    ::testing::Values(WriteCase { "creates_file", std::nullopt, "s", "k", "v", "[s]\r\nk=v\r\n" },
        WriteCase { "empty_file", "", "s", "k", "v", "[s]\r\nk=v\r\n" },
        WriteCase { "empty_value", std::nullopt, "s", "k", "", "[s]\r\nk=\r\n" },
        WriteCase {
            "value_blanks_written_as_given", std::nullopt, "s", "k", " A5 01\t", "[s]\r\nk= A5 01\t\r\n" },
        WriteCase {
            "section_after_blank_line", "[a]\r\nx=1\r\n", "s", "k", "v", "[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n" },
        WriteCase {
            "no_second_blank_line", "[a]\r\nx=1\r\n\r\n", "s", "k", "v", "[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n" },
        WriteCase {
            "last_line_closed_first", "[a]\r\nx=1", "s", "k", "v", "[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n" },
        WriteCase { "entry_at_end_of_section", "[s]\r\na=1\r\n\r\n; next\r\n[t]\r\nb=2\r\n", "s", "k", "v",
            "[s]\r\na=1\r\nk=v\r\n\r\n; next\r\n[t]\r\nb=2\r\n" },
        WriteCase { "entry_after_lone_header", "[s]\r\n[t]\r\n", "s", "k", "v", "[s]\r\nk=v\r\n[t]\r\n" },
        WriteCase {
            "entry_after_line_without_equals", "[s]\r\nnote\r\n", "s", "k", "v", "[s]\r\nnote\r\nk=v\r\n" },
        WriteCase { "entry_in_unclosed_last_line", "[s]\r\na=1", "s", "k", "v", "[s]\r\na=1\r\nk=v\r\n" },
        WriteCase { "replaces_whole_line", "[s]\r\n  K = old ; x\r\nj=2\r\n", "s", "k", "new",
            "[s]\r\nk=new\r\nj=2\r\n" },
        WriteCase { "replace_keeps_lf", "[s]\nk=1\nj=2\n", "s", "k", "9", "[s]\nk=9\nj=2\n" },
        WriteCase { "replace_keeps_missing_line_end", "[s]\r\nk=1", "s", "k", "9", "[s]\r\nk=9" },
        WriteCase { "cr_lines_kept", "[s]\rk=1\r", "s", "j", "2", "[s]\rk=1\rj=2\r\n" },
        WriteCase { "byte_order_mark_kept", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "2",
            "\xEF\xBB\xBF[s]\r\nk=2\r\n" },
        WriteCase { "only_byte_order_mark", "\xEF\xBB\xBF", "s", "k", "v", "\xEF\xBB\xBF[s]\r\nk=v\r\n" },
        WriteCase {
            "key_before_section_untouched", "k=0\r\n[s]\r\n", "s", "k", "v", "k=0\r\n[s]\r\nk=v\r\n" },
        WriteCase { "second_header_untouched", "[s]\r\nj=1\r\n[s]\r\nk=0\r\n", "s", "k", "v",
            "[s]\r\nj=1\r\nk=v\r\n[s]\r\nk=0\r\n" },
        WriteCase { "comment_never_replaced", "[s]\r\n;k=0\r\n", "s", "k", "v", "[s]\r\nk=v\r\n;k=0\r\n" },
        WriteCase { "whole_key_only", gbk("[扩展]\r\n扩展10=4C\r\n"), gbk("扩展"), gbk("扩展1"), "43",
            gbk("[扩展]\r\n扩展10=4C\r\n扩展1=43\r\n") },
        WriteCase { "bracket_as_second_byte", std::nullopt, "\x81\x5D", "k", "v", "[\x81\x5D]\r\nk=v\r\n" },
        WriteCase { "unchanged_content", "[s]\r\nk=v\r\n", "s", "k", "v", "[s]\r\nk=v\r\n" }),
    [](const auto &info) { return std::string(info.param.name); });

struct RejectCase {
    const char *name;
    std::string section;
    std::string key;
    std::string value;
};

class RejectedWriteTest : public ::testing::TestWithParam<RejectCase> { };

// Texts that would break the file or could never be found again are refused
// and leave the file as it was.
TEST_P(RejectedWriteTest, LeavesFileAlone)
{
    const RejectCase &c = GetParam();
    ScratchFolder folder;
    const auto file = folder / "profile.ini";
    EXPECT_FALSE(writeProfileValue(file, c.section, c.key, c.value));
    EXPECT_FALSE(std::filesystem::exists(file));

    const std::string before = "[s]\r\nk=1\r\n";
    writeBytes(file, before);
    EXPECT_FALSE(writeProfileValue(file, c.section, c.key, c.value));
    EXPECT_EQ(readBytes(file), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, RejectedWriteTest,
    ::testing::Values(RejectCase { "value_with_crlf", "s", "k", "A5\r\n[t]\r\nk=2" },
        RejectCase { "value_with_lf", "s", "k", "A5\n01" },
        RejectCase { "value_with_cr", "s", "k", "A5\r01" }, RejectCase { "key_with_equals", "s", "k=j", "1" },
        RejectCase { "key_with_line_break", "s", "k\nj", "1" },
        RejectCase { "key_like_header", "s", "[k", "1" }, RejectCase { "key_like_comment", "s", ";k", "1" },
        RejectCase { "key_with_leading_blank", "s", " k", "1" },
        RejectCase { "key_with_trailing_tab", "s", "k\t", "1" }, RejectCase { "empty_key", "s", "", "1" },
        RejectCase { "empty_section", "", "k", "1" }, RejectCase { "section_with_bracket", "s]x", "k", "1" },
        RejectCase { "section_with_line_break", "s\r\n", "k", "1" },
        RejectCase { "section_with_blank", "s ", "k", "1" },
        // The "]" would become the second byte of a character.
        RejectCase { "section_ending_in_lead_byte", "s\xBF", "k", "1" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WriteProfileValue, RefusesWhatItCannotReplaceSafely)
{
    ScratchFolder folder;
    // A folder in the file's place.
    std::filesystem::create_directory(folder / "folder.ini");
    EXPECT_FALSE(writeProfileValue(folder / "folder.ini", "s", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "folder.ini"));

    // A read-only file keeps its mark and its content.
    const auto readOnly = folder / "read-only.ini";
    writeBytes(readOnly, "[s]\r\nk=1\r\n");
    std::filesystem::permissions(readOnly,
        std::filesystem::perms::owner_write | std::filesystem::perms::group_write
            | std::filesystem::perms::others_write,
        std::filesystem::perm_options::remove);
    EXPECT_FALSE(writeProfileValue(readOnly, "s", "k", "2"));
    EXPECT_EQ(readBytes(readOnly), "[s]\r\nk=1\r\n");

    // No folder to write into.
    EXPECT_FALSE(writeProfileValue(folder / "missing" / "x.ini", "s", "k", "v"));
    EXPECT_FALSE(writeProfileValue("", "s", "k", "v"));
    EXPECT_EQ(folder.names(), (std::set<std::string> { "folder.ini", "read-only.ini" }));
}

TEST(WriteProfileValue, WritesThroughSymbolicLink)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "real");
    const auto target = folder / "real" / "profile.ini";
    const auto link = folder / "link.ini";
    writeBytes(target, "[s]\r\nk=1\r\n");
    try {
        std::filesystem::create_symlink(target, link);
    } catch (const std::filesystem::filesystem_error &) {
        GTEST_SKIP() << "symbolic links cannot be made here";
    }
    EXPECT_TRUE(writeProfileValue(link, "s", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(target), "[s]\r\nk=2\r\n");
}

} // namespace
