#include "tools/sim/frame_decoder.h"

#include "model/command_text.h"
#include "model/slot_table.h"

#include <algorithm>
#include <array>
#include <deque>
#include <utility>

namespace velmora::sim {

namespace {

constexpr std::uint8_t kStart = 0xAD;
constexpr std::uint8_t kEnd = 0xBD;
constexpr std::size_t kFixedLength = 9;
constexpr std::size_t kSlotHeader = 4; // AD BD 3D and the slot number
constexpr std::size_t kShownHead = 64;

constexpr std::array<std::uint8_t, 6> kControlPrefix { 0xAD, 0x66, 0x66, 0x66, 0x66, 0xAA };
constexpr std::array<std::uint8_t, 5> kSettingPrefix { 0xAD, 0x66, 0x88, 0x77, 0x88 };
constexpr std::array<std::uint8_t, 5> kBaudPrefix { 0xAD, 0x66, 0x77, 0x88, 0x66 };

struct ControlKind {
    std::uint8_t first, second;
    FrameKind kind;
};
constexpr std::array<ControlKind, 4> kControlKinds { {
    { 0xAA, 0xAA, FrameKind::Begin },
    { 0xAB, 0xB1, FrameKind::Commit },
    { 0xAA, 0xBB, FrameKind::End },
    { 0xBB, 0xCC, FrameKind::Erase },
} };

// The rate code carries the first four decimal digits of the rate as hex digits.
struct RateCode {
    std::uint8_t high, low;
    int rate;
};
constexpr std::array<RateCode, 4> kRateCodes { {
    { 0x96, 0x00, 9600 },
    { 0x19, 0x20, 19200 },
    { 0x38, 0x40, 38400 },
    { 0x11, 0x52, 115200 },
} };

bool isPortId(std::uint8_t b)
{
    return b == 0x01 || b == 0x02 || b == 0x04 || b == 0x05;
}

std::string misplaced(std::size_t pos, std::uint8_t got, const char *frame, std::uint8_t want)
{
    return "byte " + std::to_string(pos) + " is " + toHex2(got) + " where " + frame + " has " + toHex2(want);
}

std::string checkPrefix(
    std::span<const std::uint8_t> prefix, std::size_t pos, std::uint8_t b, const char *frame)
{
    return b == prefix[pos] ? std::string() : misplaced(pos, b, frame, prefix[pos]);
}

std::string checkEnd(std::uint8_t b)
{
    return b == kEnd ? std::string() : "byte 8 is " + toHex2(b) + " where a 9-byte frame ends with BD";
}

std::string checkControl(const Bytes &f, std::uint8_t b)
{
    const std::size_t pos = f.size();
    if (pos < kControlPrefix.size())
        return checkPrefix(kControlPrefix, pos, b, "a control frame");
    if (pos == 6) {
        const bool known = std::any_of(
            kControlKinds.begin(), kControlKinds.end(), [b](const ControlKind &k) { return k.first == b; });
        return known ? std::string()
                     : "control frame kind " + toHex2(b) + " .. is not BEGIN, COMMIT, END or ERASE";
    }
    if (pos == 7) {
        const bool known = std::any_of(kControlKinds.begin(), kControlKinds.end(),
            [&](const ControlKind &k) { return k.first == f[6] && k.second == b; });
        return known
            ? std::string()
            : "control frame kind " + toHex2(f[6]) + " " + toHex2(b) + " is not BEGIN, COMMIT, END or ERASE";
    }
    return checkEnd(b);
}

std::string checkSetting(const Bytes &f, std::uint8_t b)
{
    const std::size_t pos = f.size();
    if (pos < kSettingPrefix.size())
        return checkPrefix(kSettingPrefix, pos, b, "a binding or interval frame");
    if (pos == 5)
        return b == 0xCC || b == 0xDD
            ? std::string()
            : "byte 5 is " + toHex2(b) + " where a binding frame has CC, an interval frame DD";
    if (pos == 6) {
        const bool binding = f[5] == 0xCC;
        const std::uint8_t want = binding ? 0xDD : 0xCC;
        return b == want ? std::string()
                         : misplaced(pos, b, binding ? "a binding frame" : "an interval frame", want);
    }
    if (pos == 7) {
        if (f[5] == 0xCC)
            return b <= 0x03 ? std::string() : "extension port index " + toHex2(b) + " is not 00..03";
        return b <= 0xFE ? std::string() : "data interval FF is beyond the highest value FE";
    }
    return checkEnd(b);
}

std::string checkBaud(const Bytes &f, std::uint8_t b)
{
    const std::size_t pos = f.size();
    if (pos < kBaudPrefix.size())
        return checkPrefix(kBaudPrefix, pos, b, "a baud frame");
    if (pos == 5) {
        const bool known = std::any_of(
            kRateCodes.begin(), kRateCodes.end(), [b](const RateCode &r) { return r.high == b; });
        return known ? std::string() : "rate code " + toHex2(b) + " .. is not 9600, 19200, 38400 or 115200";
    }
    if (pos == 6) {
        const bool known = std::any_of(kRateCodes.begin(), kRateCodes.end(),
            [&](const RateCode &r) { return r.high == f[5] && r.low == b; });
        return known ? std::string()
                     : "rate code " + toHex2(f[5]) + toHex2(b) + " is not 9600, 19200, 38400 or 115200";
    }
    if (pos == 7)
        return isPortId(b) ? std::string() : "device port " + toHex2(b) + " is not 01, 02, 04 or 05";
    return checkEnd(b);
}

// Why `b` cannot be the next byte of the frame begun in `f`; empty when it can.
std::string checkNext(const Bytes &f, std::uint8_t b)
{
    const std::size_t pos = f.size();
    if (pos == 1)
        return b == 0x66 || b == 0xBD ? std::string() : "no frame starts AD " + toHex2(b);
    if (f[1] == 0xBD) {
        if (pos == 2)
            return b == 0x3D ? std::string() : misplaced(pos, b, "a slot frame", 0x3D);
        if (pos == 3)
            return slotByNumber(b) ? std::string() : "slot number " + toHex2(b) + " is no slot (01..4E, 62)";
        return {};
    }
    if (pos == 2)
        return b == 0x66 || b == 0x88 || b == 0x77 ? std::string() : "no frame starts AD 66 " + toHex2(b);
    switch (f[2]) {
    case 0x66: return checkControl(f, b);
    case 0x88: return checkSetting(f, b);
    default: return checkBaud(f, b);
    }
}

bool isSlot(const Bytes &f)
{
    return f.size() >= 2 && f[1] == 0xBD;
}

Frame interpret(const Bytes &f)
{
    Frame frame;
    frame.bytes = f;
    if (isSlot(f)) {
        frame.kind = FrameKind::Slot;
        frame.slotNumber = f[3];
        frame.command.assign(f.begin() + kSlotHeader, f.end());
        return frame;
    }
    switch (f[2]) {
    case 0x66:
        for (const ControlKind &k : kControlKinds)
            if (k.first == f[6] && k.second == f[7])
                frame.kind = k.kind;
        break;
    case 0x88:
        if (f[5] == 0xCC) {
            frame.kind = FrameKind::Binding;
            frame.portIndex = f[7];
        } else {
            frame.kind = FrameKind::Interval;
            frame.interval = f[7];
        }
        break;
    default:
        frame.kind = FrameKind::Baud;
        for (const RateCode &r : kRateCodes)
            if (r.high == f[5] && r.low == f[6])
                frame.baudRate = r.rate;
        frame.portId = f[7];
        break;
    }
    return frame;
}

} // namespace

FrameDecoder::FrameDecoder(std::chrono::milliseconds quiet)
    : m_quiet(quiet)
{
}

std::vector<DecoderEvent> FrameDecoder::feed(std::span<const std::uint8_t> bytes, TimePoint at)
{
    std::vector<DecoderEvent> out;
    if (bytes.empty())
        return out;
    if (m_lastByte && at - *m_lastByte >= m_quiet)
        endByQuiet(out);
    m_lastByte = at;

    // A rejected frame gives back the bytes after its first 0xAD for another
    // look, so the work list is consumed from the front.
    std::deque<std::uint8_t> work(bytes.begin(), bytes.end());
    while (!work.empty()) {
        const std::uint8_t b = work.front();
        work.pop_front();
        if (m_mode == Mode::Discarding) {
            ++m_discarded;
            continue;
        }
        if (m_mode == Mode::Between) {
            if (b != kStart) {
                m_stray.push_back(b);
                if (m_stray.size() >= kMaxStrayReport)
                    flushStray(out);
                continue;
            }
            flushStray(out);
            m_frame.assign(1, b);
            m_mode = Mode::InFrame;
            continue;
        }
        if (isSlot(m_frame) && m_frame.size() >= kSlotHeader) {
            if (m_frame.size() - kSlotHeader >= kMaxCommandBytes) {
                m_discardHead.assign(m_frame.begin(), m_frame.begin() + kShownHead);
                m_discarded = m_frame.size() + 1;
                m_frame.clear();
                m_mode = Mode::Discarding;
                continue;
            }
            m_frame.push_back(b);
            continue;
        }
        std::string why = checkNext(m_frame, b);
        m_frame.push_back(b);
        if (!why.empty()) {
            const auto next = std::find(m_frame.begin() + 1, m_frame.end(), kStart);
            work.insert(work.begin(), next, m_frame.end());
            m_frame.erase(next, m_frame.end());
            reject(std::move(why), out);
            continue;
        }
        if (!isSlot(m_frame) && m_frame.size() == kFixedLength)
            emitFrame(out);
    }
    return out;
}

std::vector<DecoderEvent> FrameDecoder::idle(TimePoint now)
{
    std::vector<DecoderEvent> out;
    if (m_lastByte && now - *m_lastByte >= m_quiet)
        endByQuiet(out);
    return out;
}

std::optional<TimePoint> FrameDecoder::deadline() const
{
    if (!m_lastByte || (m_mode == Mode::Between && m_stray.empty()))
        return std::nullopt;
    return *m_lastByte + m_quiet;
}

void FrameDecoder::endByQuiet(std::vector<DecoderEvent> &out)
{
    switch (m_mode) {
    case Mode::Between: flushStray(out); break;
    case Mode::InFrame:
        if (isSlot(m_frame) && m_frame.size() >= kSlotHeader) {
            emitFrame(out);
        } else {
            const std::size_t expected = isSlot(m_frame) ? kSlotHeader : kFixedLength;
            reject("truncated: the line went quiet after " + std::to_string(m_frame.size()) + " of "
                    + (isSlot(m_frame) ? "at least " : "") + std::to_string(expected) + " bytes",
                out);
        }
        break;
    case Mode::Discarding:
        out.emplace_back(std::in_place_type<Rejected>,
            Rejected { std::move(m_discardHead), m_discarded,
                "slot frame with more than " + std::to_string(kMaxCommandBytes)
                    + " command bytes, discarded up to the quiet gap" });
        m_discardHead.clear();
        m_discarded = 0;
        m_mode = Mode::Between;
        break;
    }
}

void FrameDecoder::flushStray(std::vector<DecoderEvent> &out)
{
    if (m_stray.empty())
        return;
    const std::size_t n = m_stray.size();
    out.emplace_back(std::in_place_type<Rejected>,
        Rejected { std::move(m_stray), n, "outside a frame (a frame starts with AD)" });
    m_stray.clear();
}

void FrameDecoder::reject(std::string reason, std::vector<DecoderEvent> &out)
{
    const std::size_t n = m_frame.size();
    out.emplace_back(std::in_place_type<Rejected>, Rejected { std::move(m_frame), n, std::move(reason) });
    m_frame.clear();
    m_mode = Mode::Between;
}

void FrameDecoder::emitFrame(std::vector<DecoderEvent> &out)
{
    out.emplace_back(std::in_place_type<Frame>, interpret(m_frame));
    m_frame.clear();
    m_mode = Mode::Between;
}

} // namespace velmora::sim
