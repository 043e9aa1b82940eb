#include "model/command_text.h"
#include "model/slot_table.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace velmora;
using velmora::test::gbk;

namespace {

struct SlotRow {
    int number;
    const char *wire;
    DeviceGroup group;
    const char *section;
    const char *key;
    const char *box;
    const char *groupBox;
    const char *label;
    const char *subLabel;
};

// The catalogue as the product documents it, in table order (UTF-8 here).
const SlotRow kExpected[] = {
    {1, "01", DeviceGroup::Sequencer, "时序器", "通道1开", "编辑框101", "分组框5", "通道1", "开"},
    {2, "02", DeviceGroup::Sequencer, "时序器", "通道1关", "编辑框102", "分组框5", "通道1", "关"},
    {3, "03", DeviceGroup::Sequencer, "时序器", "通道2开", "编辑框103", "分组框5", "通道2", "开"},
    {4, "04", DeviceGroup::Sequencer, "时序器", "通道2关", "编辑框104", "分组框5", "通道2", "关"},
    {5, "05", DeviceGroup::Sequencer, "时序器", "通道3开", "编辑框105", "分组框5", "通道3", "开"},
    {6, "06", DeviceGroup::Sequencer, "时序器", "通道3关", "编辑框106", "分组框5", "通道3", "关"},
    {7, "07", DeviceGroup::Sequencer, "时序器", "通道4开", "编辑框107", "分组框5", "通道4", "开"},
    {8, "08", DeviceGroup::Sequencer, "时序器", "通道4关", "编辑框108", "分组框5", "通道4", "关"},
    {9, "09", DeviceGroup::Sequencer, "时序器", "通道5开", "编辑框109", "分组框5", "通道5", "开"},
    {10, "0A", DeviceGroup::Sequencer, "时序器", "通道5关", "编辑框110", "分组框5", "通道5", "关"},
    {11, "0B", DeviceGroup::Sequencer, "时序器", "通道6开", "编辑框111", "分组框5", "通道6", "开"},
    {12, "0C", DeviceGroup::Sequencer, "时序器", "通道6关", "编辑框112", "分组框5", "通道6", "关"},
    {13, "0D", DeviceGroup::Sequencer, "时序器", "通道7开", "编辑框113", "分组框5", "通道7", "开"},
    {14, "0E", DeviceGroup::Sequencer, "时序器", "通道7关", "编辑框114", "分组框5", "通道7", "关"},
    {15, "0F", DeviceGroup::Sequencer, "时序器", "通道8开", "编辑框115", "分组框5", "通道8", "开"},
    {16, "10", DeviceGroup::Sequencer, "时序器", "通道8关", "编辑框116", "分组框5", "通道8", "关"},
    {17, "11", DeviceGroup::Projector, "投影机", "投影机开", "编辑框117", "分组框6", "电源开", ""},
    {18, "12", DeviceGroup::Projector, "投影机", "投影机关", "编辑框118", "分组框6", "电源关", ""},
    {19, "13", DeviceGroup::Player, "播放器", "播放器开", "编辑框119", "分组框7", "电源开", ""},
    {20, "14", DeviceGroup::Player, "播放器", "播放器关", "编辑框120", "分组框7", "电源关", ""},
    {21, "15", DeviceGroup::Amplifier, "功放", "功放开", "编辑框121", "分组框8", "电源开", ""},
    {22, "16", DeviceGroup::Amplifier, "功放", "功放关", "编辑框122", "分组框8", "电源关", ""},
    {23, "17", DeviceGroup::Projector, "投影机", "VGA1", "编辑框123", "分组框6", "VGA1", ""},
    {24, "18", DeviceGroup::Projector, "投影机", "VGA2", "编辑框124", "分组框6", "VGA2", ""},
    {25, "19", DeviceGroup::Projector, "投影机", "HDMI1", "编辑框125", "分组框6", "HDMI1", ""},
    {26, "1A", DeviceGroup::Projector, "投影机", "HDMI2", "编辑框126", "分组框6", "HDMI2", ""},
    {27, "1B", DeviceGroup::Projector, "投影机", "HOME", "编辑框127", "分组框6", "HOME", ""},
    {28, "1C", DeviceGroup::Player, "播放器", "上", "编辑框128", "分组框7", "上", ""},
    {29, "1D", DeviceGroup::Player, "播放器", "下", "编辑框129", "分组框7", "下", ""},
    {30, "1E", DeviceGroup::Player, "播放器", "左", "编辑框130", "分组框7", "左", ""},
    {31, "1F", DeviceGroup::Player, "播放器", "右", "编辑框131", "分组框7", "右", ""},
    {32, "20", DeviceGroup::Player, "播放器", "OK", "编辑框132", "分组框9", "OK", ""},
    {33, "21", DeviceGroup::Player, "播放器", "返回", "编辑框133", "分组框9", "返回", ""},
    {34, "22", DeviceGroup::Player, "播放器", "主页", "编辑框134", "分组框9", "主页", ""},
    {35, "23", DeviceGroup::Player, "播放器", "菜单", "编辑框135", "分组框9", "菜单", ""},
    {36, "24", DeviceGroup::Player, "播放器", "字幕", "编辑框136", "分组框9", "字幕", ""},
    {37, "25", DeviceGroup::Player, "播放器", "音轨", "编辑框137", "分组框9", "音轨", ""},
    {38, "26", DeviceGroup::Player, "播放器", "音量+", "编辑框138", "分组框9", "音量+", ""},
    {39, "27", DeviceGroup::Player, "播放器", "音量-", "编辑框139", "分组框9", "音量-", ""},
    {40, "28", DeviceGroup::Player, "播放器", "静音", "编辑框140", "分组框9", "静音", ""},
    {41, "29", DeviceGroup::Player, "播放器", "快进", "编辑框141", "分组框9", "快进", ""},
    {42, "2A", DeviceGroup::Player, "播放器", "快退", "编辑框142", "分组框9", "快退", ""},
    {43, "2B", DeviceGroup::Player, "播放器", "上一曲", "编辑框143", "分组框9", "上一曲", ""},
    {44, "2C", DeviceGroup::Player, "播放器", "下一曲", "编辑框144", "分组框9", "下一曲", ""},
    {45, "2D", DeviceGroup::Player, "播放器", "播放", "编辑框145", "分组框9", "播放", ""},
    {46, "2E", DeviceGroup::Player, "播放器", "暂停", "编辑框146", "分组框9", "暂停", ""},
    {47, "2F", DeviceGroup::Player, "播放器", "停止", "编辑框147", "分组框9", "停止", ""},
    {48, "30", DeviceGroup::Amplifier, "功放", "movie", "编辑框148", "分组框8", "movie", ""},
    {49, "31", DeviceGroup::Amplifier, "功放", "music", "编辑框149", "分组框8", "music", ""},
    {50, "32", DeviceGroup::Amplifier, "功放", "game", "编辑框150", "分组框8", "game", ""},
    {51, "33", DeviceGroup::Amplifier, "功放", "TV", "编辑框151", "分组框8", "TV", ""},
    {52, "34", DeviceGroup::Amplifier, "功放", "computer", "编辑框152", "分组框8", "computer", ""},
    {53, "35", DeviceGroup::Amplifier, "功放", "golf", "编辑框153", "分组框8", "golf", ""},
    {54, "36", DeviceGroup::Amplifier, "功放", "HDMI1", "编辑框154", "分组框8", "HDMI1", ""},
    {55, "37", DeviceGroup::Amplifier, "功放", "HDMI2", "编辑框155", "分组框8", "HDMI2", ""},
    {56, "38", DeviceGroup::Amplifier, "功放", "上", "编辑框156", "分组框8", "上", ""},
    {57, "39", DeviceGroup::Amplifier, "功放", "下", "编辑框157", "分组框8", "下", ""},
    {58, "3A", DeviceGroup::Amplifier, "功放", "左", "编辑框158", "分组框8", "左", ""},
    {59, "3B", DeviceGroup::Amplifier, "功放", "右", "编辑框159", "分组框8", "右", ""},
    {60, "3C", DeviceGroup::Amplifier, "功放", "OK", "编辑框160", "分组框8", "OK", ""},
    {61, "3D", DeviceGroup::Amplifier, "功放", "返回", "编辑框161", "分组框8", "返回", ""},
    {62, "3E", DeviceGroup::Amplifier, "功放", "主页", "编辑框162", "分组框10", "主页", ""},
    {63, "3F", DeviceGroup::Amplifier, "功放", "菜单", "编辑框163", "分组框10", "菜单", ""},
    {64, "40", DeviceGroup::Amplifier, "功放", "音量+", "编辑框164", "分组框10", "音量+", ""},
    {65, "41", DeviceGroup::Amplifier, "功放", "音量-", "编辑框165", "分组框10", "音量-", ""},
    {66, "42", DeviceGroup::Amplifier, "功放", "静音", "编辑框166", "分组框10", "静音", ""},
    {67, "43", DeviceGroup::Extension, "扩展", "扩展1", "编辑框167", "分组框11", "扩展1", ""},
    {68, "44", DeviceGroup::Extension, "扩展", "扩展2", "编辑框168", "分组框11", "扩展2", ""},
    {69, "45", DeviceGroup::Extension, "扩展", "扩展3", "编辑框169", "分组框11", "扩展3", ""},
    {70, "46", DeviceGroup::Extension, "扩展", "扩展4", "编辑框170", "分组框11", "扩展4", ""},
    {71, "47", DeviceGroup::Extension, "扩展", "扩展5", "编辑框171", "分组框11", "扩展5", ""},
    {72, "48", DeviceGroup::Extension, "扩展", "扩展6", "编辑框172", "分组框11", "扩展6", ""},
    {73, "49", DeviceGroup::Extension, "扩展", "扩展7", "编辑框173", "分组框11", "扩展7", ""},
    {74, "4A", DeviceGroup::Extension, "扩展", "扩展8", "编辑框174", "分组框11", "扩展8", ""},
    {75, "4B", DeviceGroup::Extension, "扩展", "扩展9", "编辑框175", "分组框11", "扩展9", ""},
    {76, "4C", DeviceGroup::Extension, "扩展", "扩展10", "编辑框176", "分组框12", "扩展10", ""},
    {77, "4D", DeviceGroup::Extension, "扩展", "扩展11", "编辑框177", "分组框12", "扩展11", ""},
    {78, "4E", DeviceGroup::Extension, "扩展", "扩展12", "编辑框178", "分组框12", "扩展12", ""},
    {98, "62", DeviceGroup::Extension, "扩展", "握手指令", "编辑框198", "分组框12", "K7效果器握手指令", ""},
};

class SlotRowTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SlotRowTest, MatchesCatalogue)
{
    const std::size_t index = GetParam();
    const SlotRow &want = kExpected[index];
    ASSERT_EQ(SlotTable::all().size(), std::size(kExpected));
    const CommandSlot &got = SlotTable::all()[index];
    EXPECT_EQ(got.number, want.number);
    EXPECT_EQ(got.wire, want.wire);
    EXPECT_EQ(got.wire, toHex2(got.number));
    EXPECT_EQ(got.group, want.group);
    EXPECT_EQ(got.section(), gbk(want.section));
    EXPECT_EQ(got.key, gbk(want.key));
    EXPECT_EQ(got.control, gbk(want.box));
    EXPECT_EQ(got.groupBox, gbk(want.groupBox));
    EXPECT_EQ(got.label, gbk(want.label));
    EXPECT_EQ(got.subLabel, gbk(want.subLabel));
    EXPECT_EQ(slotByNumber(want.number), &got);
    EXPECT_EQ(slotByKey(got.section(), got.key), &got);
}

INSTANTIATE_TEST_SUITE_P(AllSlots, SlotRowTest, ::testing::Range<std::size_t>(0, std::size(kExpected)),
                         [](const auto &info) { return "slot" + std::to_string(kExpected[info.param].number); });

TEST(SlotTable, IterationOrder)
{
    const auto all = SlotTable::all();
    const auto numbered = SlotTable::numbered();
    ASSERT_EQ(all.size(), 79u);
    ASSERT_EQ(numbered.size(), 78u);
    for (std::size_t i = 0; i < numbered.size(); ++i)
        EXPECT_EQ(numbered[i].number, static_cast<int>(i) + 1);
    EXPECT_EQ(all.back().number, 98);
    EXPECT_EQ(&SlotTable::handshake(), &all.back());
}

TEST(SlotTable, KeysUniqueWithinSection)
{
    std::set<std::pair<std::string_view, std::string_view>> seen;
    for (const CommandSlot &slot : SlotTable::all())
        EXPECT_TRUE(seen.insert({slot.section(), slot.key}).second) << slot.number;
}

struct NumberCase {
    int number;
    int expected; // 0: no slot
};

class SlotByNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(SlotByNumberTest, Finds)
{
    const auto [number, expected] = GetParam();
    const CommandSlot *slot = slotByNumber(number);
    if (expected == 0) {
        EXPECT_EQ(slot, nullptr);
    } else {
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->number, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, SlotByNumberTest,
                         ::testing::Values(NumberCase{0, 0}, NumberCase{1, 1}, NumberCase{78, 78}, NumberCase{79, 0},
                                           NumberCase{97, 0}, NumberCase{98, 98}, NumberCase{-1, 0},
                                           NumberCase{99, 0}));

TEST(SlotByNumber, HandshakeWire)
{
    ASSERT_NE(slotByNumber(98), nullptr);
    EXPECT_EQ(slotByNumber(98)->wire, "62");
    EXPECT_EQ(slotByNumber(78)->wire, "4E");
    EXPECT_EQ(slotByNumber(10)->wire, "0A");
}

// The thirteen keys that name a slot in two sections.
struct SharedKeyCase {
    const char *key;
    const char *firstSection;
    int firstSlot;
    const char *secondSection;
    int secondSlot;
};

class SharedKeyTest : public ::testing::TestWithParam<SharedKeyCase> {};

TEST_P(SharedKeyTest, SectionDecides)
{
    const SharedKeyCase c = GetParam();
    const CommandSlot *first = slotByKey(gbk(c.firstSection), gbk(c.key));
    const CommandSlot *second = slotByKey(gbk(c.secondSection), gbk(c.key));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->number, c.firstSlot);
    EXPECT_EQ(second->number, c.secondSlot);
    EXPECT_EQ(slotByKey(gbk("扩展"), gbk(c.key)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SharedKeyTest,
    ::testing::Values(SharedKeyCase{"HDMI1", "投影机", 25, "功放", 54}, SharedKeyCase{"HDMI2", "投影机", 26, "功放", 55},
                      SharedKeyCase{"上", "播放器", 28, "功放", 56}, SharedKeyCase{"下", "播放器", 29, "功放", 57},
                      SharedKeyCase{"左", "播放器", 30, "功放", 58}, SharedKeyCase{"右", "播放器", 31, "功放", 59},
                      SharedKeyCase{"OK", "播放器", 32, "功放", 60}, SharedKeyCase{"返回", "播放器", 33, "功放", 61},
                      SharedKeyCase{"主页", "播放器", 34, "功放", 62}, SharedKeyCase{"菜单", "播放器", 35, "功放", 63},
                      SharedKeyCase{"音量+", "播放器", 38, "功放", 64}, SharedKeyCase{"音量-", "播放器", 39, "功放", 65},
                      SharedKeyCase{"静音", "播放器", 40, "功放", 66}));

TEST(SlotByKey, UnknownOrPartial)
{
    EXPECT_EQ(slotByKey(gbk("扩展"), gbk("扩展13")), nullptr);
    EXPECT_EQ(slotByKey(gbk("扩展"), gbk("扩展")), nullptr);
    EXPECT_EQ(slotByKey(gbk("串口配置"), gbk("端口号")), nullptr);
    EXPECT_EQ(slotByKey("", ""), nullptr);
    ASSERT_NE(slotByKey(gbk("扩展"), gbk("扩展1")), nullptr);
    EXPECT_EQ(slotByKey(gbk("扩展"), gbk("扩展1"))->number, 67);
    EXPECT_EQ(slotByKey(gbk("扩展"), gbk("扩展10"))->number, 76);
}

} // namespace
