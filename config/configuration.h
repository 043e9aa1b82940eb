#pragma once

// The configuration file: the 81 saved values (serial port number, serial
// baud rate, the command texts of the 79 slots) and their place in the
// private-profile file. The window hands the values over and takes them
// back; which file and when is its business.

#include "config/file_replace.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr std::size_t kConfigurationEntryCount = 81;

struct ConfigurationEntry {
    std::string_view section; // GBK
    std::string_view key; // GBK
};

// The 81 entries in save order: 串口配置/端口号, 串口配置/波特率, then the 79
// slots in table order.
std::span<const ConfigurationEntry> configurationEntries();

// Values in the order of configurationEntries(), GBK.
using ConfigurationValues = std::array<std::string, kConfigurationEntryCount>;

// Same result as 81 writeProfileValue calls in order, done in one pass and
// written atomically (a temporary file in the same folder, then one
// replace): every line of the old file that is not one of the 81 entries
// stays. A value holding a line break cannot be stored and leaves its entry
// as it was. False when nothing could be written; the old file is then
// unchanged.
bool saveConfiguration(const std::filesystem::path &file, const ConfigurationValues &values);

// The same with the bytes written through `writer`, so that tests can fail
// the write midway.
bool saveConfiguration(
    const std::filesystem::path &file, const ConfigurationValues &values, const ContentWriter &writer);

// Same result as 81 readProfileValue calls, parsing the file once. A missing
// or unreadable file gives 81 empty values; so does each missing entry.
ConfigurationValues loadConfiguration(const std::filesystem::path &file);

} // namespace velmora
