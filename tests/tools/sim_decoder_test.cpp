#include "model/command_text.h"
#include "protocol/frames.h"
#include "tools/sim/frame_decoder.h"
#include "tools/sim/sim_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace velmora;
using namespace velmora::sim;
using namespace std::chrono_literals;

namespace {

const TimePoint T0 {};

// "F <hex>" for a frame, "R <hex>" for rejected bytes: enough to see where
// the decoder cut the stream.
std::string summary(const DecoderEvent &event)
{
    if (const auto *frame = std::get_if<Frame>(&event))
        return "F " + hexBytes(frame->bytes, SIZE_MAX);
    return "R " + hexBytes(std::get<Rejected>(event).bytes, SIZE_MAX);
}

struct Chunk {
    std::chrono::milliseconds at;
    std::string hex; // frame-text style: upper-case digits, no spaces
};

std::vector<DecoderEvent> run(
    FrameDecoder &decoder, const std::vector<Chunk> &chunks, std::chrono::milliseconds idleAt)
{
    std::vector<DecoderEvent> events;
    for (const Chunk &c : chunks) {
        const Bytes bytes = hexTextToBytes(c.hex);
        for (DecoderEvent &e : decoder.feed(bytes, T0 + c.at))
            events.push_back(std::move(e));
    }
    for (DecoderEvent &e : decoder.idle(T0 + idleAt))
        events.push_back(std::move(e));
    return events;
}

// --- Each frame kind, read back into its fields ------------------------------

struct KindCase {
    const char *name;
    std::string text;
    std::string described;
};

class FrameKinds : public ::testing::TestWithParam<KindCase> { };

TEST_P(FrameKinds, DecodesAloneOnTheLine)
{
    const KindCase &c = GetParam();
    FrameDecoder decoder;
    const auto events = run(decoder, { { 0ms, c.text } }, 100ms);
    ASSERT_EQ(events.size(), 1u);
    const auto *frame = std::get_if<Frame>(&events[0]);
    ASSERT_NE(frame, nullptr) << describe(std::get<Rejected>(events[0]));
    EXPECT_EQ(describe(*frame), c.described);
    EXPECT_EQ(frame->bytes, hexTextToBytes(c.text));
}

INSTANTIATE_TEST_SUITE_P(Sim, FrameKinds,
    ::testing::Values(KindCase { "begin", std::string(BEGIN_FRAME), "BEGIN" },
        KindCase { "commit", std::string(COMMIT_FRAME), "COMMIT" },
        KindCase { "end", std::string(END_FRAME), "END" },
        KindCase { "erase", std::string(ERASE_FRAME), "ERASE" },
        KindCase { "slot_with_spaces", makeSlotFrame(10, "01 02 0A"), "SLOT 0A (时序器 通道5关): 01 02 0A" },
        KindCase { "slot_odd_digits", makeSlotFrame(98, "ABC"), "SLOT 62 (扩展 握手指令): AB C0" },
        KindCase { "slot_spaces_only", makeSlotFrame(5, "   "), "SLOT 05 (时序器 通道3开): no command" },
        KindCase { "slot_78", makeSlotFrame(78, "FF"), "SLOT 4E (扩展 扩展12): FF" },
        KindCase { "slot_21_bytes", makeSlotFrame(1, std::string(42, '1')),
            "SLOT 01 (时序器 通道1开): " + hexBytes(Bytes(21, 0x11)) },
        KindCase { "binding_player", makeBindingFrame(2), "BINDING 02 (播放器)" },
        KindCase { "binding_amplifier", makeBindingFrame(3), "BINDING 03 (功放)" },
        KindCase { "interval_default", makeIntervalFrame("64"), "INTERVAL 64 (100)" },
        KindCase { "interval_highest", makeIntervalFrame("FE"), "INTERVAL FE (254)" },
        KindCase { "baud_9600_sequencer", makeBaudFrame(0, 0x01), "BAUD 9600 -> sequencer port (01)" },
        KindCase { "baud_19200_projector", makeBaudFrame(1, 0x02), "BAUD 19200 -> projector port (02)" },
        KindCase { "baud_38400_player", makeBaudFrame(2, 0x04), "BAUD 38400 -> player port (04)" },
        KindCase { "baud_115200_amplifier", makeBaudFrame(3, 0x05), "BAUD 115200 -> amplifier port (05)" }),
    [](const auto &info) { return std::string(info.param.name); });

// --- Where the stream is cut, and what is rejected ---------------------------

struct StreamCase {
    const char *name;
    std::vector<Chunk> chunks;
    std::chrono::milliseconds idleAt;
    std::vector<std::string> expected;
    const char *reasonPart; // in the first rejection, if any
};

class Streams : public ::testing::TestWithParam<StreamCase> { };

TEST_P(Streams, CutsAndRejects)
{
    const StreamCase &c = GetParam();
    FrameDecoder decoder(10ms);
    const auto events = run(decoder, c.chunks, c.idleAt);
    std::vector<std::string> got;
    got.reserve(events.size());
    for (const DecoderEvent &e : events)
        got.push_back(summary(e));
    EXPECT_EQ(got, c.expected);
    if (c.reasonPart) {
        for (const DecoderEvent &e : events)
            if (const auto *r = std::get_if<Rejected>(&e)) {
                EXPECT_NE(r->reason.find(c.reasonPart), std::string::npos) << r->reason;
                break;
            }
    }
}

const std::string kBegin(BEGIN_FRAME);

INSTANTIATE_TEST_SUITE_P(Sim, Streams,
    ::testing::Values(StreamCase { "slot_ends_by_quiet_gap", { { 0ms, "ADBD3D0A01020A" } }, 10ms,
                          { "F AD BD 3D 0A 01 02 0A" }, nullptr },
        // The command bytes hold a whole BEGIN_FRAME: only the gap ends a slot frame.
        StreamCase { "slot_holding_AD_and_a_frame", { { 0ms, "ADBD3D43" + kBegin }, { 230ms, kBegin } },
            300ms, { "F AD BD 3D 43 AD 66 66 66 66 AA AA AA BD", "F AD 66 66 66 66 AA AA AA BD" }, nullptr },
        // Bytes after exactly the quiet time start anew, before idle() was asked.
        StreamCase { "quiet_gap_seen_by_the_next_bytes", { { 0ms, "ADBD3D0101" }, { 10ms, kBegin } }, 10ms,
            { "F AD BD 3D 01 01", "F AD 66 66 66 66 AA AA AA BD" }, nullptr },
        StreamCase { "gap_just_below_the_quiet_time", { { 0ms, "ADBD3D01" }, { 9ms, "02" } }, 30ms,
            { "F AD BD 3D 01 02" }, nullptr },
        StreamCase { "slot_in_pieces_within_the_quiet_time",
            { { 0ms, "ADBD" }, { 4ms, "3D05" }, { 8ms, "1122" }, { 17ms, "33" } }, 40ms,
            { "F AD BD 3D 05 11 22 33" }, nullptr },
        StreamCase { "fixed_frames_back_to_back",
            { { 0ms, kBegin + makeBindingFrame(1) + std::string(COMMIT_FRAME) + std::string(END_FRAME) } },
            0ms,
            { "F AD 66 66 66 66 AA AA AA BD", "F AD 66 88 77 88 CC DD 01 BD", "F AD 66 66 66 66 AA AB B1 BD",
                "F AD 66 66 66 66 AA AA BB BD" },
            nullptr },
        StreamCase { "garbage_then_resync", { { 0ms, "00FF12" + kBegin } }, 0ms,
            { "R 00 FF 12", "F AD 66 66 66 66 AA AA AA BD" }, "outside a frame" },
        StreamCase { "broken_frame_then_resync_inside_it", { { 0ms, "AD6666" + kBegin } }, 0ms,
            { "R AD 66 66", "F AD 66 66 66 66 AA AA AA BD" }, "byte 3 is AD where a control frame has 66" },
        StreamCase { "unknown_frame_type", { { 0ms, "AD00" + kBegin } }, 0ms,
            { "R AD 00", "F AD 66 66 66 66 AA AA AA BD" }, "no frame starts AD 00" },
        StreamCase { "wrong_end_byte", { { 0ms, "AD66666666AAAAAA00" } }, 0ms,
            { "R AD 66 66 66 66 AA AA AA 00" }, "ends with BD" },
        StreamCase { "unknown_control_kind", { { 0ms, "AD66666666AAAAAC" } }, 0ms,
            { "R AD 66 66 66 66 AA AA AC" }, "not BEGIN, COMMIT, END or ERASE" },
        StreamCase { "slot_number_out_of_table", { { 0ms, "ADBD3D4F0102" } }, 20ms,
            { "R AD BD 3D 4F", "R 01 02" }, "slot number 4F is no slot" },
        StreamCase { "binding_index_4", { { 0ms, "AD66887788CCDD04BD" } }, 20ms,
            { "R AD 66 88 77 88 CC DD 04", "R BD" }, "port index 04" },
        StreamCase { "interval_FF", { { 0ms, "AD66887788DDCCFFBD" } }, 20ms,
            { "R AD 66 88 77 88 DD CC FF", "R BD" }, "FF" },
        StreamCase { "interval_AD_resyncs_at_it", { { 0ms, "AD66887788DDCCAD00" } }, 20ms,
            { "R AD 66 88 77 88 DD CC", "R AD 00" }, "ends with BD" },
        StreamCase { "baud_port_03_does_not_exist", { { 0ms, "AD66778866960003BD" } }, 20ms,
            { "R AD 66 77 88 66 96 00 03", "R BD" }, "device port 03" },
        StreamCase { "baud_unknown_rate", { { 0ms, "AD66778866480001BD" } }, 20ms,
            { "R AD 66 77 88 66 48", "R 00 01 BD" }, "rate code 48" },
        StreamCase { "fixed_frame_split_by_long_gap", { { 0ms, "AD666666" }, { 50ms, "66AAAAAABD" } }, 100ms,
            { "R AD 66 66 66", "R 66 AA AA AA BD" }, "truncated: the line went quiet after 4 of 9 bytes" },
        StreamCase { "slot_header_split_by_long_gap", { { 0ms, "ADBD" }, { 50ms, kBegin } }, 100ms,
            { "R AD BD", "F AD 66 66 66 66 AA AA AA BD" }, "truncated" },
        StreamCase {
            "stray_bytes_reported_at_quiet", { { 0ms, "0102" } }, 10ms, { "R 01 02" }, "outside a frame" },
        StreamCase { "nothing_before_the_quiet_time", { { 0ms, "ADBD3D0A01" } }, 9ms, {}, nullptr }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SimDecoder, DeadlineFollowsTheLastByte)
{
    FrameDecoder decoder(10ms);
    EXPECT_FALSE(decoder.deadline());
    decoder.feed(hexTextToBytes("ADBD3D01"), T0 + 5ms);
    ASSERT_TRUE(decoder.deadline());
    EXPECT_EQ(*decoder.deadline(), T0 + 15ms);
    EXPECT_TRUE(decoder.idle(T0 + 14ms).empty());
    EXPECT_EQ(decoder.idle(T0 + 15ms).size(), 1u);
    EXPECT_FALSE(decoder.deadline());
    // A complete 9-byte frame leaves nothing pending.
    decoder.feed(hexTextToBytes(BEGIN_FRAME), T0 + 20ms);
    EXPECT_FALSE(decoder.deadline());
}

TEST(SimDecoder, EndlessSlotFrameIsDiscardedNotHoarded)
{
    FrameDecoder decoder(10ms);
    Bytes stream = hexTextToBytes("ADBD3D62");
    const std::size_t total = stream.size() + FrameDecoder::kMaxCommandBytes + 100;
    stream.resize(total, 0xAD);
    std::vector<DecoderEvent> events = decoder.feed(stream, T0);
    EXPECT_TRUE(events.empty());
    events = decoder.idle(T0 + 10ms);
    ASSERT_EQ(events.size(), 1u);
    const auto &rejected = std::get<Rejected>(events[0]);
    EXPECT_EQ(rejected.count, total);
    EXPECT_LE(rejected.bytes.size(), 64u);
    // Back in step afterwards.
    events = decoder.feed(hexTextToBytes(BEGIN_FRAME), T0 + 50ms);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<Frame>(events[0]));
}

// A seeded random stream: quiet-separated pieces of noise and valid frames.
// Nothing may crash, every byte must come out exactly once (in a frame or
// in a rejection), and every valid frame that stands alone between two
// gaps must be decoded as itself.
TEST(SimDecoder, RandomStreamNeverLosesAFrameOrAByte)
{
    std::mt19937 random(20240611);
    const std::vector<std::string> frames = {
        std::string(BEGIN_FRAME),
        std::string(COMMIT_FRAME),
        std::string(END_FRAME),
        std::string(ERASE_FRAME),
        makeSlotFrame(10, "01 02 0A"),
        makeSlotFrame(98, "ADBD3D"),
        makeBindingFrame(3),
        makeIntervalFrame("AD"),
        makeBaudFrame(2, 0x04),
        makeSlotFrame(67, ""),
    };
    FrameDecoder decoder(10ms);
    TimePoint now = T0;
    std::size_t fed = 0;
    std::size_t accounted = 0;
    std::vector<Bytes> sentAlone;
    std::vector<Bytes> decoded;
    auto collect = [&](const std::vector<DecoderEvent> &events) {
        for (const DecoderEvent &e : events) {
            if (const auto *f = std::get_if<Frame>(&e)) {
                accounted += f->bytes.size();
                decoded.push_back(f->bytes);
            } else {
                accounted += std::get<Rejected>(e).count;
            }
        }
    };

    for (int piece = 0; piece < 3000; ++piece) {
        Bytes bytes;
        const bool valid = random() % 3 == 0;
        if (valid) {
            bytes = hexTextToBytes(frames[random() % frames.size()]);
            sentAlone.push_back(bytes);
        } else {
            bytes.resize(random() % 40);
            for (auto &b : bytes)
                b = static_cast<std::uint8_t>(random() % 4 == 0 ? 0xAD : random() % 256);
        }
        // Noise arrives in random chunks with short pauses inside the piece.
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 + random() % 8);
            collect(decoder.feed(std::span(bytes).subspan(at, n), now));
            fed += n;
            at += n;
            now += std::chrono::milliseconds(random() % 3);
        }
        now += std::chrono::milliseconds(10 + random() % 30);
        collect(decoder.idle(now));
    }
    collect(decoder.idle(now + 1s));

    EXPECT_EQ(accounted, fed);
    // Every frame sent alone comes out, in order, among the decoded ones
    // (noise may contain frames of its own by chance).
    std::size_t found = 0;
    for (const Bytes &d : decoded)
        if (found < sentAlone.size() && d == sentAlone[found])
            ++found;
    EXPECT_EQ(found, sentAlone.size());
}

} // namespace
