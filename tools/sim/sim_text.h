#pragma once

// The simulator's printed lines: one line per decoded frame or rejected
// piece of input, the controller's table, the differences from a
// configuration file. The core's names are GBK; they are printed as UTF-8,
// converted by iconv.

#include "tools/sim/controller_state.h"
#include "tools/sim/frame_decoder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::sim {

// Upper-case byte pairs separated by spaces; past `limit` bytes the rest is
// summarised as "... (+N more)".
std::string hexBytes(std::span<const std::uint8_t> bytes, std::size_t limit = 64);

// The UTF-8 form of a GBK text, or an empty text when it cannot be converted.
std::string utf8FromGbk(std::string_view gbk);

// "时序器 通道5关" for slot 10, in UTF-8; "slot NN" when the names cannot be
// converted.
std::string slotName(int slotNumber);

// "BEGIN", "SLOT 0A (时序器 通道5关): 01 02 0A", "BINDING 02 (播放器)",
// "INTERVAL 64 (100)", "BAUD 38400 -> player port (04)", ...
std::string describe(const Frame &frame);
// "REJECTED 12 34: reason".
std::string describe(const Rejected &rejected);

// The whole controller table, one line per slot and setting.
std::vector<std::string> tableLines(const ControllerTable &table);

// One line per difference, naming the slot and both byte sequences.
std::vector<std::string> differenceLines(std::span<const Difference> differences);

} // namespace velmora::sim
