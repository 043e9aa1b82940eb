#pragma once

// Cuts the byte stream that the tool sends to the controller into frames.
//
// Every frame starts with 0xAD. The 9-byte frames (control, binding,
// interval, baud) end with 0xBD and are complete at their ninth byte.
// SLOT_FRAME has neither an end byte nor a length, and its command bytes may
// hold any value, 0xAD included, so a slot frame ends only when the line has
// been quiet for the quiet time: the tool pauses at least 200 ms after every
// slot frame, a controller's gap is a few milliseconds. The start of another
// frame is deliberately not used to end a slot frame.
//
// Bytes that fit no frame are reported with a reason, never guessed; the
// decoder resynchronises at the next 0xAD. A frame cut short by a quiet gap
// is reported as truncated.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace velmora::sim {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

enum class FrameKind { Begin, Commit, End, Erase, Slot, Binding, Interval, Baud };

// One complete, well-formed frame.
struct Frame {
    FrameKind kind = FrameKind::Begin;
    Bytes bytes; // the frame as received
    int slotNumber = 0; // Slot: 1..78 or 98
    Bytes command; // Slot: the command bytes (possibly none)
    int portIndex = 0; // Binding: 0..3
    int interval = 0; // Interval: 0x00..0xFE
    int baudRate = 0; // Baud: 9600, 19200, 38400 or 115200
    int portId = 0; // Baud: 0x01, 0x02, 0x04 or 0x05
};

// Bytes that make no frame, and why.
struct Rejected {
    Bytes bytes; // the bytes, or their first part when very long
    std::size_t count = 0; // how many bytes were rejected in all
    std::string reason;
};

using DecoderEvent = std::variant<Frame, Rejected>;

class FrameDecoder {
public:
    static constexpr std::chrono::milliseconds kDefaultQuiet { 10 };
    // A slot frame longer than this is discarded up to the next quiet gap,
    // so a stream without gaps cannot make the decoder grow without bound.
    static constexpr std::size_t kMaxCommandBytes = 65536;
    // Stray bytes are reported in pieces of at most this many.
    static constexpr std::size_t kMaxStrayReport = 256;

    explicit FrameDecoder(std::chrono::milliseconds quiet = kDefaultQuiet);

    // Bytes that arrived together at time `at` (times never go backwards).
    std::vector<DecoderEvent> feed(std::span<const std::uint8_t> bytes, TimePoint at);

    // No byte arrived until `now`: ends what the quiet time ends.
    std::vector<DecoderEvent> idle(TimePoint now);

    // When idle() has something to end, or nothing when the decoder waits
    // for the next frame.
    std::optional<TimePoint> deadline() const;

    std::chrono::milliseconds quiet() const { return m_quiet; }

private:
    enum class Mode { Between, InFrame, Discarding };

    void endByQuiet(std::vector<DecoderEvent> &out);
    void take(std::uint8_t byte, std::vector<DecoderEvent> &out);
    void flushStray(std::vector<DecoderEvent> &out);
    void reject(std::string reason, std::vector<DecoderEvent> &out);
    void emitFrame(std::vector<DecoderEvent> &out);

    std::chrono::milliseconds m_quiet;
    Mode m_mode = Mode::Between;
    Bytes m_frame;
    Bytes m_stray;
    Bytes m_discardHead;
    std::size_t m_discarded = 0;
    std::optional<TimePoint> m_lastByte;
};

} // namespace velmora::sim
