#include "config/configuration.h"
#include "config/profile.h"
#include "model/slot_table.h"
#include "scratch_folder.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace velmora;
using namespace std::string_literals;
using velmora::test::gbk;
using velmora::test::readBytes;
using velmora::test::ScratchFolder;
using velmora::test::writeBytes;

namespace {

// Texts below are written with "\n" line ends; files have CR LF.
std::string crlf(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// The GBK file for a UTF-8 text written with "\n" line ends.
std::string fileText(const char *utf8)
{
    return gbk(crlf(utf8));
}

std::size_t entryIndex(const char *section, const char *key)
{
    const auto entries = configurationEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].section == gbk(section) && entries[i].key == gbk(key))
            return i;
    }
    throw std::invalid_argument(std::string("no entry ") + section + "/" + key);
}

// Port 1, baud rate 9600 and "A5 <wire digits>" for every slot.
ConfigurationValues sampleValues()
{
    ConfigurationValues values;
    values[0] = "1";
    values[1] = "9600";
    std::size_t next = 2;
    for (const CommandSlot &slot : SlotTable::all())
        values[next++] = "A5 " + std::string(slot.wire);
    return values;
}

const char *const kNewFile = R"([串口配置]
端口号=1
波特率=9600

[时序器]
通道1开=A5 01
通道1关=A5 02
通道2开=A5 03
通道2关=A5 04
通道3开=A5 05
通道3关=A5 06
通道4开=A5 07
通道4关=A5 08
通道5开=A5 09
通道5关=A5 0A
通道6开=A5 0B
通道6关=A5 0C
通道7开=A5 0D
通道7关=A5 0E
通道8开=A5 0F
通道8关=A5 10

[投影机]
投影机开=A5 11
投影机关=A5 12
VGA1=A5 17
VGA2=A5 18
HDMI1=A5 19
HDMI2=A5 1A
HOME=A5 1B

[播放器]
播放器开=A5 13
播放器关=A5 14
上=A5 1C
下=A5 1D
左=A5 1E
右=A5 1F
OK=A5 20
返回=A5 21
主页=A5 22
菜单=A5 23
字幕=A5 24
音轨=A5 25
音量+=A5 26
音量-=A5 27
静音=A5 28
快进=A5 29
快退=A5 2A
上一曲=A5 2B
下一曲=A5 2C
播放=A5 2D
暂停=A5 2E
停止=A5 2F

[功放]
功放开=A5 15
功放关=A5 16
movie=A5 30
music=A5 31
game=A5 32
TV=A5 33
computer=A5 34
golf=A5 35
HDMI1=A5 36
HDMI2=A5 37
上=A5 38
下=A5 39
左=A5 3A
右=A5 3B
OK=A5 3C
返回=A5 3D
主页=A5 3E
菜单=A5 3F
音量+=A5 40
音量-=A5 41
静音=A5 42

[扩展]
扩展1=A5 43
扩展2=A5 44
扩展3=A5 45
扩展4=A5 46
扩展5=A5 47
扩展6=A5 48
扩展7=A5 49
扩展8=A5 4A
扩展9=A5 4B
扩展10=A5 4C
扩展11=A5 4D
扩展12=A5 4E
握手指令=A5 62
)";

TEST(SaveConfiguration, NewFileHasSixSectionsInTableOrder)
{
    ScratchFolder folder;
    const auto file = folder / "config.qdx";
    ASSERT_TRUE(saveConfiguration(file, sampleValues()));
    EXPECT_EQ(readBytes(file), fileText(kNewFile));
    EXPECT_EQ(folder.names(), std::set<std::string> { "config.qdx" });
}

TEST(SaveConfiguration, AllEmptyValuesKeepEveryEntry)
{
    ScratchFolder folder;
    const auto file = folder / "config.qdx";
    ASSERT_TRUE(saveConfiguration(file, ConfigurationValues {}));
    const std::string emptied = std::regex_replace(std::string(kNewFile), std::regex("=.*"), "=");
    EXPECT_EQ(readBytes(file), fileText(emptied.c_str()));
    EXPECT_EQ(loadConfiguration(file), ConfigurationValues {});

    // Emptying the boxes of a filled file empties its values, entries stay.
    ASSERT_TRUE(saveConfiguration(file, sampleValues()));
    ASSERT_TRUE(saveConfiguration(file, ConfigurationValues {}));
    EXPECT_EQ(readBytes(file), fileText(emptied.c_str()));
}

const char *const kExistingFile = R"(; velmora settings, edited by hand
[串口配置]
端口号 = 3
备注=installer note

[时序器]
通道1开=old
  通道1关   =   old2
; channel 2 comes later

[其他]
颜色=red

[播放器]
ok=old ok
[功放]
HDMI1=old amp
[时序器]
通道2开=second header, ignored
)";

const char *const kExistingFileSaved = R"(; velmora settings, edited by hand
[串口配置]
端口号=4
备注=installer note
波特率=115200

[时序器]
通道1开=A5 01
通道1关=
通道2开=
通道2关=
通道3开=
通道3关=
通道4开=
通道4关=
通道5开=
通道5关=
通道6开=
通道6关=
通道7开=
通道7关=
通道8开=
通道8关=
; channel 2 comes later

[其他]
颜色=red

[播放器]
OK=20
播放器开=
播放器关=
上=
下=
左=
右=
返回=
主页=
菜单=
字幕=
音轨=
音量+=
音量-=
静音=
快进=
快退=
上一曲=
下一曲=
播放=
暂停=
停止=
[功放]
HDMI1=36
功放开=
功放关=
movie=
music=
game=
TV=
computer=
golf=
HDMI2=
上=
下=
左=
右=
OK=
返回=
主页=
菜单=
音量+=
音量-=
静音=
[时序器]
通道2开=second header, ignored

[投影机]
投影机开=
投影机关=
VGA1=
VGA2=
HDMI1=19
HDMI2=
HOME=

[扩展]
扩展1=
扩展2=
扩展3=
扩展4=
扩展5=
扩展6=
扩展7=
扩展8=
扩展9=
扩展10=
扩展11=
扩展12=
握手指令=62
)";

TEST(SaveConfiguration, ExistingFileChangesOnlyTheEntries)
{
    ScratchFolder folder;
    const auto file = folder / "config.qdx";
    writeBytes(file, fileText(kExistingFile));
    ConfigurationValues values;
    values[0] = "4";
    values[1] = "115200";
    values[entryIndex("时序器", "通道1开")] = "A5 01";
    values[entryIndex("播放器", "OK")] = "20";
    values[entryIndex("功放", "HDMI1")] = "36";
    values[entryIndex("投影机", "HDMI1")] = "19";
    values[entryIndex("扩展", "握手指令")] = "62";
    ASSERT_TRUE(saveConfiguration(file, values));
    EXPECT_EQ(readBytes(file), fileText(kExistingFileSaved));
    EXPECT_EQ(loadConfiguration(file), values);
}

ConfigurationValues mixedValues()
{
    ConfigurationValues values = sampleValues();
    values[5] = "";
    values[40] = "  A5  28\t";
    values[80] = "\"62\"";
    return values;
}

TEST(SaveConfiguration, SameFileAsSingleWrites)
{
    ScratchFolder folder;
    const auto saved = folder / "saved.qdx";
    const auto written = folder / "written.qdx";
    writeBytes(saved, fileText(kExistingFile));
    writeBytes(written, fileText(kExistingFile));
    const ConfigurationValues values = mixedValues();

    ASSERT_TRUE(saveConfiguration(saved, values));
    const auto entries = configurationEntries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        ASSERT_TRUE(writeProfileValue(written, entries[i].section, entries[i].key, values[i]));
    EXPECT_EQ(readBytes(saved), readBytes(written));
}

// The one-pass edit against the same writes applied one at a time, on
// starting files of every kind (in memory: the file layer is the same for
// both and each file write waits for the disk).
struct StartCase {
    const char *name;
    std::string content;
};

class SaveEqualsSingleWritesTest : public ::testing::TestWithParam<StartCase> { };

TEST_P(SaveEqualsSingleWritesTest, SameBytes)
{
    const ConfigurationValues values = mixedValues();
    const auto entries = configurationEntries();
    std::vector<ProfileWrite> writes;
    std::string oneByOne = GetParam().content;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        writes.push_back({ entries[i].section, entries[i].key, values[i] });
        oneByOne = applyProfileWrites(oneByOne, std::span(&writes.back(), 1));
    }
    EXPECT_EQ(applyProfileWrites(GetParam().content, writes), oneByOne);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveEqualsSingleWritesTest,
    ::testing::Values(StartCase { "empty", "" }, StartCase { "saved_before", fileText(kNewFile) },
        StartCase { "hand_edited", fileText(kExistingFile) },
        StartCase { "lf_line_ends", gbk("[功放]\nok=1\n\n[扩展]\n扩展10=2\n") },
        StartCase { "cr_line_ends", gbk("[功放]\rok=1\r") },
        StartCase { "no_final_line_end", gbk("[投影机]\r\nVGA1=1") },
        StartCase { "byte_order_mark", "\xEF\xBB\xBF" + gbk("[扩展]\r\n") },
        StartCase { "keys_before_sections", gbk("端口号=9\r\n; x\r\n") },
        StartCase { "broken_headers", gbk("[功放\r\nOK=1\r\n[]\r\n[扩展] x\r\n") },
        StartCase { "binary", "\0\xFF\r\r\n=\x81[\n"s }),
    [](const auto &info) { return std::string(info.param.name); });

struct LoadCase {
    const char *name;
    std::string content;
    const char *section;
    const char *key;
    std::string expected;
};

class LoadConfigurationTest : public ::testing::TestWithParam<LoadCase> { };

TEST_P(LoadConfigurationTest, FindsValue)
{
    const LoadCase &c = GetParam();
    ScratchFolder folder;
    const auto file = folder / "config.qdx";
    writeBytes(file, c.content);
    const ConfigurationValues values = loadConfiguration(file);
    const std::size_t index = entryIndex(c.section, c.key);
    EXPECT_EQ(values[index], c.expected);
    // The one-pass load agrees with one read per entry.
    const auto entries = configurationEntries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(values[i], readProfileValue(file, entries[i].section, entries[i].key)) << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadConfigurationTest,
    ::testing::Values(LoadCase { "blanks_dropped_inner_kept", fileText("[时序器]\n通道1开=  A5  01 \t\n"),
                          "时序器", "通道1开", "A5  01" },
        LoadCase {
            "projector_hdmi1", fileText("[投影机]\nHDMI1=19\n[功放]\nHDMI1=36\n"), "投影机", "HDMI1", "19" },
        LoadCase {
            "amplifier_hdmi1", fileText("[投影机]\nHDMI1=19\n[功放]\nHDMI1=36\n"), "功放", "HDMI1", "36" },
        LoadCase { "small_letters_ok", fileText("[播放器]\nok=20\n"), "播放器", "OK", "20" },
        LoadCase { "extension_1_not_10", fileText("[扩展]\n扩展10=4C\n"), "扩展", "扩展1", "" },
        LoadCase { "extension_10", fileText("[扩展]\n扩展1=43\n扩展10=4C\n"), "扩展", "扩展10", "4C" },
        LoadCase { "empty_entry", fileText("[串口配置]\n端口号=\n波特率=9600\n"), "串口配置", "端口号", "" },
        LoadCase { "not_validated", fileText("[串口配置]\n端口号=COM3\n"), "串口配置", "端口号", "COM3" },
        LoadCase { "long_value_cut", fileText("[扩展]\n握手指令=") + std::string(12000, '7') + "\r\n", "扩展",
            "握手指令", std::string(10239, '7') },
        LoadCase {
            "first_header_counts", fileText("[功放]\nOK=1\n[功放]\nOK=2\n静音=3\n"), "功放", "静音", "" },
        LoadCase { "other_kind_of_file", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\r\n"s + gbk("[功放]\r\nOK=3C\r\n"),
            "功放", "OK", "3C" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LoadConfiguration, MissingOrUnreadableFileEmptiesEverything)
{
    ScratchFolder folder;
    EXPECT_EQ(loadConfiguration(folder / "missing.qdx"), ConfigurationValues {});
    EXPECT_EQ(loadConfiguration(folder.path()), ConfigurationValues {});
    EXPECT_EQ(loadConfiguration(""), ConfigurationValues {});
}

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Whatever the boxes hold (apart from line breaks, which a single-line box
// cannot), a save followed by a load gives it back without outer blanks.
TEST(SaveConfiguration, EverySavedValueLoadsBack)
{
    ScratchFolder folder;
    const auto file = folder / "config.qdx";
    writeBytes(file, fileText(kExistingFile));
    const std::string alphabet = " \t=[];#\"'AF09az\0\x81\x40\x5D\xA1\xFE\xFF"s + gbk("通道扩展");
    std::mt19937 random(20240601);
    for (int round = 0; round < 50; ++round) {
        ConfigurationValues values;
        for (std::string &value : values) {
            const std::size_t length = random() % 12;
            for (std::size_t i = 0; i < length; ++i)
                value += alphabet[random() % alphabet.size()];
        }
        ASSERT_TRUE(saveConfiguration(file, values));
        const ConfigurationValues loaded = loadConfiguration(file);
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(loaded[i], trimmed(values[i])) << "round " << round << ", entry " << i;
    }
}

TEST(SaveConfiguration, ValueWithLineBreakLeavesItsEntry)
{
    ScratchFolder folder;
    const auto file = folder / "config.qdx";
    ASSERT_TRUE(saveConfiguration(file, sampleValues()));
    ConfigurationValues values = sampleValues();
    values[0] = "2";
    values[entryIndex("功放", "OK")] = "3C\r\n[功放]\r\nOK=00";
    ASSERT_TRUE(saveConfiguration(file, values));
    const ConfigurationValues loaded = loadConfiguration(file);
    EXPECT_EQ(loaded[0], "2");
    EXPECT_EQ(loaded[entryIndex("功放", "OK")], "A5 3C");
}

// A writer that stores the first `limit` bytes and then fails, as a full
// disk or a pulled drive would.
ContentWriter failingAfter(std::size_t limit)
{
    return [limit](std::FILE *file, std::string_view bytes) {
        const std::string_view part = bytes.substr(0, std::min(limit, bytes.size()));
        std::fwrite(part.data(), 1, part.size(), file);
        return false;
    };
}

// How many bytes reach the temporary file before the failure, given the
// size of the whole content.
struct InterruptCase {
    const char *name;
    std::size_t (*bytesWritten)(std::size_t size);
};

class InterruptedSaveTest : public ::testing::TestWithParam<InterruptCase> { };

TEST_P(InterruptedSaveTest, OldFileStaysByteIdentical)
{
    ScratchFolder folder;
    const ConfigurationValues values = sampleValues();
    const std::string old = fileText(kExistingFile);
    const auto file = folder / "config.qdx";
    // The size of the content that a successful save writes.
    writeBytes(file, old);
    ASSERT_TRUE(saveConfiguration(file, values));
    const std::size_t size = readBytes(file).size();
    writeBytes(file, old);

    const std::size_t limit = GetParam().bytesWritten(size);
    EXPECT_FALSE(saveConfiguration(file, values, failingAfter(limit)));
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(folder.names(), std::set<std::string> { "config.qdx" });

    // Without an old file, an interrupted save leaves no file at all.
    EXPECT_FALSE(saveConfiguration(folder / "fresh.qdx", values, failingAfter(limit)));
    EXPECT_EQ(folder.names(), std::set<std::string> { "config.qdx" });
}

INSTANTIATE_TEST_SUITE_P(Points, InterruptedSaveTest,
    ::testing::Values(InterruptCase { "nothing", [](std::size_t) { return std::size_t { 0 }; } },
        InterruptCase { "one_byte", [](std::size_t) { return std::size_t { 1 }; } },
        InterruptCase { "half", [](std::size_t size) { return size / 2; } },
        InterruptCase { "all_but_one", [](std::size_t size) { return size - 1; } },
        // The failure is reported after the last byte.
        InterruptCase { "everything", [](std::size_t size) { return size; } }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SaveConfiguration, WriterThatThrowsLeavesOldFile)
{
    ScratchFolder folder;
    const auto file = folder / "config.qdx";
    const std::string old = fileText(kExistingFile);
    writeBytes(file, old);
    const ContentWriter throwing
        = [](std::FILE *, std::string_view) -> bool { throw std::runtime_error("device gone"); };
    EXPECT_FALSE(saveConfiguration(file, sampleValues(), throwing));
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(folder.names(), std::set<std::string> { "config.qdx" });
}

} // namespace
