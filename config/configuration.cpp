#include "config/configuration.h"

#include "config/profile.h"
#include "model/slot_table.h"

#include <utility>
#include <vector>

namespace velmora {

namespace {

constexpr std::string_view kSerialSection = "\xB4\xAE\xBF\xDA\xC5\xE4\xD6\xC3"; // 串口配置
constexpr std::string_view kPortKey = "\xB6\xCB\xBF\xDA\xBA\xC5"; // 端口号
constexpr std::string_view kBaudKey = "\xB2\xA8\xCC\xD8\xC2\xCA"; // 波特率

std::array<ConfigurationEntry, kConfigurationEntryCount> makeEntries()
{
    std::array<ConfigurationEntry, kConfigurationEntryCount> entries {};
    entries[0] = { kSerialSection, kPortKey };
    entries[1] = { kSerialSection, kBaudKey };
    std::size_t next = 2;
    for (const CommandSlot &slot : SlotTable::all())
        entries[next++] = { slot.section(), slot.key };
    return entries;
}

std::array<ProfileKey, kConfigurationEntryCount> profileKeys()
{
    std::array<ProfileKey, kConfigurationEntryCount> keys {};
    const auto entries = configurationEntries();
    for (std::size_t i = 0; i < keys.size(); ++i)
        keys[i] = { entries[i].section, entries[i].key };
    return keys;
}

} // namespace

std::span<const ConfigurationEntry> configurationEntries()
{
    static const std::array<ConfigurationEntry, kConfigurationEntryCount> entries = makeEntries();
    return entries;
}

bool saveConfiguration(const std::filesystem::path &file, const ConfigurationValues &values)
{
    return saveConfiguration(file, values, writeAllBytes);
}

bool saveConfiguration(
    const std::filesystem::path &file, const ConfigurationValues &values, const ContentWriter &writer)
{
    std::array<ProfileWrite, kConfigurationEntryCount> writes {};
    const auto entries = configurationEntries();
    for (std::size_t i = 0; i < writes.size(); ++i)
        writes[i] = { entries[i].section, entries[i].key, values[i] };
    return writeProfileValues(file, writes, writer);
}

ConfigurationValues loadConfiguration(const std::filesystem::path &file)
{
    ConfigurationValues values;
    if (file.empty())
        return values;
    const FileBytes content = readWholeFile(file);
    if (content.status != FileBytes::Status::Read)
        return values;
    static const auto keys = profileKeys();
    std::vector<std::string> found = findProfileValues(content.bytes, keys);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = std::move(found[i]);
    return values;
}

} // namespace velmora
