#include "model/command_text.h"
#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct FrameCase {
    const char *name;
    std::string text;
    std::string expectedText;
    Bytes expectedBytes;
};

class FrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTest, TextAndBytes)
{
    const FrameCase &c = GetParam();
    EXPECT_EQ(c.text, c.expectedText);
    EXPECT_EQ(hexTextToBytes(c.text), c.expectedBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, FrameTest,
    ::testing::Values(
        FrameCase{"begin", std::string(BEGIN_FRAME), "AD66666666AAAAAABD",
                  {0xAD, 0x66, 0x66, 0x66, 0x66, 0xAA, 0xAA, 0xAA, 0xBD}},
        FrameCase{"commit", std::string(COMMIT_FRAME), "AD66666666AAABB1BD",
                  {0xAD, 0x66, 0x66, 0x66, 0x66, 0xAA, 0xAB, 0xB1, 0xBD}},
        FrameCase{"end", std::string(END_FRAME), "AD66666666AAAABBBD",
                  {0xAD, 0x66, 0x66, 0x66, 0x66, 0xAA, 0xAA, 0xBB, 0xBD}},
        FrameCase{"erase", std::string(ERASE_FRAME), "AD66666666AABBCCBD",
                  {0xAD, 0x66, 0x66, 0x66, 0x66, 0xAA, 0xBB, 0xCC, 0xBD}},
        FrameCase{"slot_with_spaces", makeSlotFrame(10, "01 02 0A"), "ADBD3D0A01020A",
                  {0xAD, 0xBD, 0x3D, 0x0A, 0x01, 0x02, 0x0A}},
        FrameCase{"slot_full_width_spaces", makeSlotFrame(1, "AD\xA1\xA1" "66"), "ADBD3D01AD66",
                  {0xAD, 0xBD, 0x3D, 0x01, 0xAD, 0x66}},
        FrameCase{"slot_odd_digits", makeSlotFrame(98, "ABC"), "ADBD3D62ABC", {0xAD, 0xBD, 0x3D, 0x62, 0xAB, 0xC0}},
        FrameCase{"slot_spaces_only", makeSlotFrame(5, "   "), "ADBD3D05", {0xAD, 0xBD, 0x3D, 0x05}},
        FrameCase{"slot_78", makeSlotFrame(78, "FF"), "ADBD3D4EFF", {0xAD, 0xBD, 0x3D, 0x4E, 0xFF}},
        FrameCase{"binding_sequencer", makeBindingFrame(0), "AD66887788CCDD00BD",
                  {0xAD, 0x66, 0x88, 0x77, 0x88, 0xCC, 0xDD, 0x00, 0xBD}},
        FrameCase{"binding_player", makeBindingFrame(2), "AD66887788CCDD02BD",
                  {0xAD, 0x66, 0x88, 0x77, 0x88, 0xCC, 0xDD, 0x02, 0xBD}},
        FrameCase{"binding_amplifier", makeBindingFrame(3), "AD66887788CCDD03BD",
                  {0xAD, 0x66, 0x88, 0x77, 0x88, 0xCC, 0xDD, 0x03, 0xBD}},
        FrameCase{"interval_default", makeIntervalFrame("64"), "AD66887788DDCC64BD",
                  {0xAD, 0x66, 0x88, 0x77, 0x88, 0xDD, 0xCC, 0x64, 0xBD}},
        FrameCase{"interval_highest", makeIntervalFrame("FE"), "AD66887788DDCCFEBD",
                  {0xAD, 0x66, 0x88, 0x77, 0x88, 0xDD, 0xCC, 0xFE, 0xBD}}),
    [](const auto &info) { return std::string(info.param.name); });

struct BaudCase {
    int rateIndex;
    int portId;
    const char *expected;
};

class BaudFrameTest : public ::testing::TestWithParam<BaudCase> {};

TEST_P(BaudFrameTest, Text)
{
    const BaudCase c = GetParam();
    const std::string frame = makeBaudFrame(c.rateIndex, c.portId);
    EXPECT_EQ(frame, c.expected);
    EXPECT_EQ(hexTextToBytes(frame).size(), 9u);
}

INSTANTIATE_TEST_SUITE_P(
    AllSixteen, BaudFrameTest,
    ::testing::Values(BaudCase{0, kSequencerPortId, "AD66778866960001BD"}, BaudCase{1, kSequencerPortId, "AD66778866192001BD"},
                      BaudCase{2, kSequencerPortId, "AD66778866384001BD"}, BaudCase{3, kSequencerPortId, "AD66778866115201BD"},
                      BaudCase{0, kProjectorPortId, "AD66778866960002BD"}, BaudCase{1, kProjectorPortId, "AD66778866192002BD"},
                      BaudCase{2, kProjectorPortId, "AD66778866384002BD"}, BaudCase{3, kProjectorPortId, "AD66778866115202BD"},
                      BaudCase{0, kPlayerPortId, "AD66778866960004BD"}, BaudCase{1, kPlayerPortId, "AD66778866192004BD"},
                      BaudCase{2, kPlayerPortId, "AD66778866384004BD"}, BaudCase{3, kPlayerPortId, "AD66778866115204BD"},
                      BaudCase{0, kAmplifierPortId, "AD66778866960005BD"}, BaudCase{1, kAmplifierPortId, "AD66778866192005BD"},
                      BaudCase{2, kAmplifierPortId, "AD66778866384005BD"}, BaudCase{3, kAmplifierPortId, "AD66778866115205BD"}),
    [](const auto &info) {
        return "rate" + std::to_string(info.param.rateIndex) + "_port" + std::to_string(info.param.portId);
    });

TEST(BaudFrame, NoItemChosenGivesNothing)
{
    EXPECT_EQ(makeBaudFrame(-1, kSequencerPortId), "");
    EXPECT_EQ(makeBaudFrame(4, kSequencerPortId), "");
}

} // namespace
