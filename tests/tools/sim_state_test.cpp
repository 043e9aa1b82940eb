#include "model/command_text.h"
#include "model/slot_table.h"
#include "protocol/frames.h"
#include "tools/sim/controller_state.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;
using namespace velmora::sim;
using namespace std::chrono_literals;

namespace {

// The frame of a frame text, through the decoder as the simulator gets it.
Frame frame(std::string_view text)
{
    FrameDecoder decoder;
    auto events = decoder.feed(hexTextToBytes(text), TimePoint {});
    for (auto &e : decoder.idle(TimePoint {} + 1s))
        events.push_back(std::move(e));
    EXPECT_EQ(events.size(), 1u) << text;
    return std::get<Frame>(events.at(0));
}

class SimState : public ::testing::Test {
protected:
    std::string send(std::string_view text) { return state.apply(frame(text)); }
    void sendAll(const std::vector<std::string> &texts)
    {
        for (const std::string &t : texts)
            send(t);
    }
    const Bytes &command(int slotNumber) const
    {
        return state.table().commands.at(static_cast<std::size_t>(tablePosition(slotNumber)));
    }

    ControllerState state;
    const std::string begin { BEGIN_FRAME }, commit { COMMIT_FRAME }, end { END_FRAME },
        erase { ERASE_FRAME };
};

TEST_F(SimState, CommitAppliesTheWholeWrite)
{
    sendAll({ begin, makeSlotFrame(1, "01 02"), makeSlotFrame(78, "ABC"), makeSlotFrame(98, "FF"),
        makeBindingFrame(2) });
    EXPECT_TRUE(command(1).empty()) << "staged, not yet applied";
    EXPECT_EQ(send(commit), "applied: command table (3 slots hold a command), extension binding");
    send(end);
    EXPECT_EQ(command(1), (Bytes { 0x01, 0x02 }));
    EXPECT_EQ(command(78), (Bytes { 0xAB, 0xC0 }));
    EXPECT_EQ(command(98), (Bytes { 0xFF }));
    EXPECT_EQ(state.table().binding, 2);
    EXPECT_FALSE(state.inSession());
}

TEST_F(SimState, SessionWithoutCommitChangesNothing)
{
    sendAll({ begin, makeSlotFrame(1, "01"), makeBindingFrame(1), commit, end });
    sendAll({ begin, makeSlotFrame(1, "99"), makeSlotFrame(2, "98"), makeBindingFrame(3),
        makeIntervalFrame("10"), makeBaudFrame(3, 0x05) });
    EXPECT_EQ(send(end), "session closed without COMMIT: 5 staged changes dropped");
    EXPECT_EQ(command(1), Bytes { 0x01 });
    EXPECT_TRUE(command(2).empty());
    EXPECT_EQ(state.table().binding, 1);
    EXPECT_FALSE(state.table().interval);
    EXPECT_FALSE(state.table().rates[3]);
}

TEST_F(SimState, LaterWriteReplacesTheWholeTable)
{
    sendAll({ begin, makeSlotFrame(1, "01"), makeSlotFrame(2, "02"), makeBindingFrame(0), commit, end });
    // The user emptied slot 1 and wrote again: the tool no longer sends it.
    sendAll({ begin, makeSlotFrame(2, "22"), makeBindingFrame(0), commit, end });
    EXPECT_TRUE(command(1).empty());
    EXPECT_EQ(command(2), Bytes { 0x22 });
}

TEST_F(SimState, EraseTakesEffectAtOnceAndKeepsPortSettings)
{
    sendAll({ begin, makeSlotFrame(5, "05"), makeSlotFrame(98, "62"), makeBindingFrame(3),
        makeIntervalFrame("20"), makeBaudFrame(1, 0x02), commit, end });
    sendAll({ begin, erase });
    EXPECT_TRUE(command(5).empty()) << "no COMMIT follows an erase";
    EXPECT_TRUE(command(98).empty());
    send(end);
    EXPECT_EQ(state.table().binding, 3);
    EXPECT_EQ(state.table().interval, 0x20);
    EXPECT_EQ(state.table().rates[1], 19200);
}

TEST_F(SimState, EraseDropsCommandsStagedBeforeIt)
{
    sendAll({ begin, makeSlotFrame(5, "05"), erase, commit, end });
    EXPECT_TRUE(command(5).empty());
}

TEST_F(SimState, SettingSessionsLeaveTheCommandsAlone)
{
    sendAll({ begin, makeSlotFrame(7, "07"), makeBindingFrame(0), commit, end });
    sendAll({ begin, makeIntervalFrame("FE"), commit, end });
    sendAll({ begin, makeBaudFrame(0, 0x01), makeBaudFrame(1, 0x02), makeBaudFrame(2, 0x04),
        makeBaudFrame(3, 0x05), commit, end });
    EXPECT_EQ(command(7), Bytes { 0x07 });
    EXPECT_EQ(state.table().interval, 0xFE);
    EXPECT_EQ(state.table().rates[0], 9600);
    EXPECT_EQ(state.table().rates[1], 19200);
    EXPECT_EQ(state.table().rates[2], 38400);
    EXPECT_EQ(state.table().rates[3], 115200);
}

TEST_F(SimState, FramesOutsideASessionAreIgnored)
{
    for (const std::string &text : { makeSlotFrame(1, "01"), erase, commit, end })
        EXPECT_EQ(send(text), "ignored: no session open (BEGIN missing)") << text;
    EXPECT_TRUE(command(1).empty());
}

TEST_F(SimState, SecondBeginDropsWhatWasStaged)
{
    sendAll({ begin, makeSlotFrame(1, "01") });
    EXPECT_EQ(send(begin), "session restarted, 1 staged changes dropped");
    sendAll({ makeBindingFrame(0), commit, end });
    EXPECT_TRUE(command(1).empty());
}

// --- Comparing with a configuration file's texts -----------------------------

TEST(SimCompare, TextsAreTakenAsTheToolSendsThem)
{
    ControllerTable table;
    table.commands[static_cast<std::size_t>(tablePosition(10))] = { 0x01, 0x02, 0x0A };
    table.commands[static_cast<std::size_t>(tablePosition(98))] = { 0xAB, 0xC0 };
    std::vector<std::string> texts(kSlotCount);
    texts[static_cast<std::size_t>(tablePosition(10))] = "01 02\xA1\xA1"
                                                         "0A"; // full-width space too
    texts[static_cast<std::size_t>(tablePosition(98))] = "ABC";
    texts[static_cast<std::size_t>(tablePosition(3))] = "   "; // spaces only: no command
    EXPECT_TRUE(compareCommands(table, texts).empty());

    texts[static_cast<std::size_t>(tablePosition(2))] = "11";
    texts[static_cast<std::size_t>(tablePosition(10))] = "010203";
    const auto differences = compareCommands(table, texts);
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0].slotNumber, 2);
    EXPECT_EQ(differences[1].slotNumber, 10);
    EXPECT_EQ(differenceLines(differences),
        (std::vector<std::string> { "  02 时序器 通道1关: expected 11, learned no command",
            "  0A 时序器 通道5关: expected 01 02 03, learned 01 02 0A" }));
}

TEST(SimText, TableListsEverySlotAndSetting)
{
    ControllerTable table;
    table.commands[0] = { 0x01 };
    table.binding = 1;
    table.rates[2] = 38400;
    const auto lines = tableLines(table);
    ASSERT_EQ(lines.size(), 1 + kSlotCount + 2 + 4);
    EXPECT_EQ(lines[1], "  01 时序器 通道1开: 01");
    EXPECT_EQ(lines[kSlotCount], "  62 扩展 握手指令: no command");
    EXPECT_EQ(lines[kSlotCount + 1], "  extension binding: 01 (投影机)");
    EXPECT_EQ(lines[kSlotCount + 2], "  data interval: not set");
    EXPECT_EQ(lines[kSlotCount + 5], "  player port rate: 38400");
}

// --- Command line -------------------------------------------------------------

struct OptionCase {
    const char *name;
    std::vector<std::string_view> args;
    const char *errorPart; // nullptr: valid
};

class SimOptionsTest : public ::testing::TestWithParam<OptionCase> { };

TEST_P(SimOptionsTest, Parses)
{
    const OptionCase &c = GetParam();
    const ParsedOptions parsed = parseOptions(c.args);
    if (c.errorPart)
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos) << parsed.error;
    else
        EXPECT_EQ(parsed.error, "");
}

INSTANTIATE_TEST_SUITE_P(Sim, SimOptionsTest,
    ::testing::Values(OptionCase { "none", {}, nullptr },
        OptionCase { "all",
            { "--port", "3", "--program-dir", "/tmp/x", "--baud=115200", "--quiet-ms", "5", "--panel",
                "0a:05", "--panel-interval", "500", "--expect", "a.mbqdx", "--exit-after-end" },
            nullptr },
        OptionCase { "unknown", { "--colour" }, "unknown option" },
        OptionCase { "port_zero", { "--port", "0" }, "invalid value for --port" },
        OptionCase { "port_text", { "--port", "COM1" }, "invalid value for --port" },
        OptionCase { "baud_odd", { "--baud", "12345" }, "invalid value for --baud" },
        OptionCase { "missing_value", { "--quiet-ms" }, "needs a number" },
        OptionCase { "panel_one_byte", { "--panel", "01" }, "--panel needs AA:CC" },
        OptionCase { "panel_not_hex", { "--panel", "0G:01" }, "--panel needs AA:CC" },
        OptionCase { "interval_without_panel", { "--panel-interval", "100" }, "needs --panel" },
        OptionCase { "empty_expect", { "--expect=" }, "needs a path" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SimOptions, ValuesArrive)
{
    const std::vector<std::string_view> args
        = { "--port=4", "--panel", "0A:05", "--quiet-ms", "7", "--expect", "f" };
    const SimOptions o = parseOptions(args).options;
    EXPECT_EQ(o.port, 4);
    ASSERT_TRUE(o.panel);
    EXPECT_EQ(o.panel->bytes(), (std::array<std::uint8_t, 4> { 0x0A, 0x77, 0x88, 0x05 }));
    EXPECT_EQ(o.quiet, 7ms);
    EXPECT_EQ(o.expect, "f");
    EXPECT_EQ(o.baud, 9600);
}

} // namespace
