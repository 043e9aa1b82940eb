#pragma once

// What the simulated controller keeps, and how the frames change it.
//
// A configuration session runs from BEGIN_FRAME to END_FRAME. Slot, binding,
// interval and baud frames inside it are staged and take effect together at
// COMMIT_FRAME; a session that ends without COMMIT_FRAME changes nothing.
// ERASE_FRAME clears the 79 commands (and the commands staged so far) at
// once, because the tool's erase sends no COMMIT_FRAME; it leaves the
// binding, the interval and the port rates alone, which are port settings
// rather than learned data. Frames outside a session are ignored.
//
// The tool's write sends every non-empty slot followed by the binding, so a
// committed write replaces the whole command table: a slot it did not send
// holds no command afterwards. A session with only interval or baud frames
// leaves the commands as they are.

#include "tools/sim/frame_decoder.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::sim {

inline constexpr std::size_t kSlotCount = 79;
inline constexpr std::size_t kDevicePortCount = 4;

// 0..3 for the port ids 0x01, 0x02, 0x04, 0x05 (sequencer, projector,
// player, amplifier), -1 for anything else.
int devicePortIndex(int portId);
// "sequencer", "projector", "player" or "amplifier" for an index 0..3.
const char *devicePortName(int index);

// Position of a slot in table order (0..77 for slots 1..78, 78 for the
// handshake slot), -1 for a number that is no slot.
int tablePosition(int slotNumber);

struct ControllerTable {
    std::array<Bytes, kSlotCount> commands; // table order; empty means no command
    std::optional<int> binding; // extension port index 0..3
    std::optional<int> interval; // 0x00..0xFE
    std::array<std::optional<int>, kDevicePortCount> rates;
};

class ControllerState {
public:
    // Applies one frame and says in a few words what it did.
    std::string apply(const Frame &frame);

    const ControllerTable &table() const { return m_table; }
    bool inSession() const { return m_inSession; }

private:
    struct Staged {
        bool tableWrite = false; // slot or binding frames seen: the commit replaces the table
        std::array<std::optional<Bytes>, kSlotCount> commands;
        std::optional<int> binding;
        std::optional<int> interval;
        std::array<std::optional<int>, kDevicePortCount> rates;
        std::size_t count = 0;
    };

    std::string commit();

    ControllerTable m_table;
    Staged m_staged;
    bool m_inSession = false;
};

// A slot whose learned command differs from what a configuration file says.
struct Difference {
    int slotNumber = 0;
    Bytes expected;
    Bytes learned;
};

// Compares the learned commands with 79 command texts in table order, each
// taken as the tool sends it: hexTextToBytes(stripSpaces(text)), an empty
// result meaning no command.
std::vector<Difference> compareCommands(const ControllerTable &table, std::span<const std::string> slotTexts);

} // namespace velmora::sim
