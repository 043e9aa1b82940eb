#pragma once

// The fixed catalogue of learnable commands: 78 numbered slots and the
// handshake slot, with their wire numbers, configuration keys, edit boxes and
// labels. Every text here is GBK, as the configuration files and the window
// use it.

#include <span>
#include <string_view>

namespace velmora {

enum class DeviceGroup { Sequencer, Projector, Player, Amplifier, Extension };

// The Chinese name of a group: the title of its group boxes and the section
// of its slots in the configuration file (GBK).
std::string_view groupName(DeviceGroup group);

struct CommandSlot {
    int number;                // 1..78, or 98 for the handshake slot
    std::string_view wire;     // two upper-case hex digits carried in SLOT_FRAME
    DeviceGroup group;
    std::string_view key;      // configuration key, unique within its section
    std::string_view control;  // object name of the slot's edit box
    std::string_view groupBox; // object name of the group box holding it
    std::string_view label;    // label beside the box; the channel label for the sequencer
    std::string_view subLabel; // the sequencer's on/off label ("开"/"关"); empty elsewhere

    std::string_view section() const { return groupName(group); }
};

inline constexpr int kHandshakeSlotNumber = 98;

class SlotTable {
public:
    // All 79 slots in table order: 1..78, then the handshake slot.
    static std::span<const CommandSlot> all();
    // The numbered slots 1..78 alone.
    static std::span<const CommandSlot> numbered();
    static const CommandSlot &handshake();
};

// The slot with number n (1..78 or 98), or nullptr for any other n.
const CommandSlot *slotByNumber(int n);

// The slot whose section and key both equal the given GBK texts, or nullptr.
// Thirteen keys exist in two sections, so a key alone identifies nothing.
const CommandSlot *slotByKey(std::string_view section, std::string_view key);

} // namespace velmora
