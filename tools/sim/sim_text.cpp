#include "tools/sim/sim_text.h"

#include "model/command_text.h"
#include "model/slot_table.h"

#include <algorithm>

#include <iconv.h>

namespace velmora::sim {

namespace {

std::string groupNameUtf8(int index)
{
    if (index < 0 || index > static_cast<int>(DeviceGroup::Amplifier))
        return {};
    return utf8FromGbk(groupName(static_cast<DeviceGroup>(index)));
}

std::string commandText(const Bytes &command)
{
    return command.empty() ? std::string("no command") : hexBytes(command);
}

} // namespace

std::string hexBytes(std::span<const std::uint8_t> bytes, std::size_t limit)
{
    std::string text;
    const std::size_t shown = std::min(bytes.size(), limit);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i)
            text += ' ';
        text += toHex2(bytes[i]);
    }
    if (shown < bytes.size())
        text += " ... (+" + std::to_string(bytes.size() - shown) + " more)";
    return text;
}

std::string utf8FromGbk(std::string_view gbk)
{
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr): iconv's failure value
        return {};
    std::string in(gbk);
    std::string out(in.size() * 2 + 4, '\0'); // two GBK bytes never need more than three UTF-8 bytes
    char *inPtr = in.data();
    std::size_t inLeft = in.size();
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        return {};
    out.resize(out.size() - outLeft);
    return out;
}

std::string slotName(int slotNumber)
{
    const CommandSlot *slot = slotByNumber(slotNumber);
    if (!slot)
        return "no slot";
    const std::string section = utf8FromGbk(slot->section());
    const std::string key = utf8FromGbk(slot->key);
    if (section.empty() || key.empty())
        return "slot " + std::to_string(slotNumber);
    return section + " " + key;
}

std::string describe(const Frame &frame)
{
    switch (frame.kind) {
    case FrameKind::Begin: return "BEGIN";
    case FrameKind::Commit: return "COMMIT";
    case FrameKind::End: return "END";
    case FrameKind::Erase: return "ERASE";
    case FrameKind::Slot:
        return "SLOT " + toHex2(frame.slotNumber) + " (" + slotName(frame.slotNumber)
            + "): " + commandText(frame.command);
    case FrameKind::Binding: {
        const std::string name = groupNameUtf8(frame.portIndex);
        return "BINDING " + toHex2(frame.portIndex) + (name.empty() ? "" : " (" + name + ")");
    }
    case FrameKind::Interval:
        return "INTERVAL " + toHex2(frame.interval) + " (" + std::to_string(frame.interval) + ")";
    case FrameKind::Baud:
        return "BAUD " + std::to_string(frame.baudRate) + " -> "
            + devicePortName(devicePortIndex(frame.portId)) + " port (" + toHex2(frame.portId) + ")";
    }
    return "?";
}

std::string describe(const Rejected &rejected)
{
    std::string text = "REJECTED " + hexBytes(rejected.bytes);
    if (rejected.count > rejected.bytes.size())
        text += " ... (" + std::to_string(rejected.count) + " bytes in all)";
    return text + ": " + rejected.reason;
}

std::vector<std::string> tableLines(const ControllerTable &table)
{
    std::vector<std::string> lines;
    lines.emplace_back("controller table:");
    const auto slots = SlotTable::all();
    for (std::size_t i = 0; i < slots.size() && i < kSlotCount; ++i)
        lines.push_back("  " + std::string(slots[i].wire) + " " + slotName(slots[i].number) + ": "
            + commandText(table.commands[i]));
    std::string binding = "not set";
    if (table.binding)
        binding = toHex2(*table.binding) + " (" + groupNameUtf8(*table.binding) + ")";
    lines.push_back("  extension binding: " + binding);
    lines.push_back("  data interval: "
        + (table.interval ? toHex2(*table.interval) + " (" + std::to_string(*table.interval) + ")"
                          : std::string("not set")));
    for (std::size_t i = 0; i < kDevicePortCount; ++i)
        lines.push_back(std::string("  ") + devicePortName(static_cast<int>(i))
            + " port rate: " + (table.rates[i] ? std::to_string(*table.rates[i]) : std::string("not set")));
    return lines;
}

std::vector<std::string> differenceLines(std::span<const Difference> differences)
{
    std::vector<std::string> lines;
    for (const Difference &d : differences)
        lines.push_back("  " + toHex2(d.slotNumber) + " " + slotName(d.slotNumber) + ": expected "
            + commandText(d.expected) + ", learned " + commandText(d.learned));
    return lines;
}

} // namespace velmora::sim
