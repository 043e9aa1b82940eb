#pragma once

// The frames the tool sends to the controller, as texts of upper-case hex
// digits. They become bytes only when sent (hexTextToBytes). Every frame
// starts with 0xAD; all but SLOT_FRAME are 9 bytes ending in 0xBD.

#include <string>
#include <string_view>

namespace velmora {

inline constexpr std::string_view BEGIN_FRAME = "AD66666666AAAAAABD";
inline constexpr std::string_view COMMIT_FRAME = "AD66666666AAABB1BD";
inline constexpr std::string_view END_FRAME = "AD66666666AAAABBBD";
inline constexpr std::string_view ERASE_FRAME = "AD66666666AABBCCBD";

// Controller device port ids used by BAUD_FRAME (0x03 is not a port).
inline constexpr int kSequencerPortId = 0x01;
inline constexpr int kProjectorPortId = 0x02;
inline constexpr int kPlayerPortId = 0x04;
inline constexpr int kAmplifierPortId = 0x05;

// SLOT_FRAME: "ADBD3D", the slot number, the command text without spaces.
// It has no end byte; an odd number of digits makes the text odd in length.
std::string makeSlotFrame(int slotNumber, std::string_view commandText);

// BINDING_FRAME for the extension group's port index 0..3.
std::string makeBindingFrame(int portIndex);

// INTERVAL_FRAME carrying the interval list's item text ("00".."FE") as is.
std::string makeIntervalFrame(std::string_view intervalText);

// BAUD_FRAME for rate item 0..3 (9600, 19200, 38400, 115200) and a port id.
// Empty for any other item index: nothing is to be sent then.
std::string makeBaudFrame(int rateIndex, int portId);

} // namespace velmora
