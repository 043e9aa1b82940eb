#include "tools/sim/controller_state.h"

#include "model/command_text.h"
#include "model/slot_table.h"

#include <algorithm>

namespace velmora::sim {

namespace {

constexpr std::array<int, kDevicePortCount> kPortIds { 0x01, 0x02, 0x04, 0x05 };
constexpr std::array<const char *, kDevicePortCount> kPortNames { "sequencer", "projector", "player",
    "amplifier" };

std::string staged(bool replaced)
{
    return replaced ? "staged, replacing an earlier frame of this session" : "staged";
}

} // namespace

int devicePortIndex(int portId)
{
    const auto it = std::find(kPortIds.begin(), kPortIds.end(), portId);
    return it == kPortIds.end() ? -1 : static_cast<int>(it - kPortIds.begin());
}

const char *devicePortName(int index)
{
    return index >= 0 && index < static_cast<int>(kDevicePortCount)
        ? kPortNames[static_cast<std::size_t>(index)]
        : "unknown";
}

int tablePosition(int slotNumber)
{
    if (slotNumber == kHandshakeSlotNumber)
        return static_cast<int>(kSlotCount) - 1;
    return slotNumber >= 1 && slotNumber < static_cast<int>(kSlotCount) ? slotNumber - 1 : -1;
}

std::string ControllerState::apply(const Frame &frame)
{
    if (frame.kind == FrameKind::Begin) {
        const bool restarted = m_inSession && m_staged.count > 0;
        const std::size_t dropped = m_staged.count;
        m_inSession = true;
        m_staged = {};
        return restarted ? "session restarted, " + std::to_string(dropped) + " staged changes dropped"
                         : "session opened";
    }
    if (!m_inSession)
        return "ignored: no session open (BEGIN missing)";

    switch (frame.kind) {
    case FrameKind::Slot: {
        const int pos = tablePosition(frame.slotNumber);
        if (pos < 0)
            return "ignored: no such slot";
        auto &slot = m_staged.commands[static_cast<std::size_t>(pos)];
        const bool replaced = slot.has_value();
        slot = frame.command;
        m_staged.tableWrite = true;
        m_staged.count += replaced ? 0 : 1;
        return staged(replaced);
    }
    case FrameKind::Binding: {
        const bool replaced = m_staged.binding.has_value();
        m_staged.binding = frame.portIndex;
        m_staged.tableWrite = true;
        m_staged.count += replaced ? 0 : 1;
        return staged(replaced);
    }
    case FrameKind::Interval: {
        const bool replaced = m_staged.interval.has_value();
        m_staged.interval = frame.interval;
        m_staged.count += replaced ? 0 : 1;
        return staged(replaced);
    }
    case FrameKind::Baud: {
        const int port = devicePortIndex(frame.portId);
        if (port < 0)
            return "ignored: no such device port";
        auto &rate = m_staged.rates[static_cast<std::size_t>(port)];
        const bool replaced = rate.has_value();
        rate = frame.baudRate;
        m_staged.count += replaced ? 0 : 1;
        return staged(replaced);
    }
    case FrameKind::Commit: return commit();
    case FrameKind::Erase: {
        // Commands staged before the erase would otherwise reappear at a
        // later COMMIT_FRAME of the same session.
        for (auto &slot : m_staged.commands)
            if (slot) {
                slot.reset();
                --m_staged.count;
            }
        m_staged.tableWrite = false;
        m_table.commands = {};
        return "all 79 commands erased";
    }
    case FrameKind::End: {
        const std::size_t dropped = m_staged.count;
        m_inSession = false;
        m_staged = {};
        return dropped > 0
            ? "session closed without COMMIT: " + std::to_string(dropped) + " staged changes dropped"
            : "session closed";
    }
    case FrameKind::Begin: break;
    }
    return {};
}

std::string ControllerState::commit()
{
    std::vector<std::string> parts;
    if (m_staged.tableWrite) {
        std::size_t filled = 0;
        for (std::size_t i = 0; i < kSlotCount; ++i) {
            m_table.commands[i] = m_staged.commands[i].value_or(Bytes {});
            filled += m_table.commands[i].empty() ? 0 : 1;
        }
        parts.push_back("command table (" + std::to_string(filled) + " slots hold a command)");
    }
    if (m_staged.binding) {
        m_table.binding = m_staged.binding;
        parts.emplace_back("extension binding");
    }
    if (m_staged.interval) {
        m_table.interval = m_staged.interval;
        parts.emplace_back("data interval");
    }
    for (std::size_t i = 0; i < kDevicePortCount; ++i)
        if (m_staged.rates[i]) {
            m_table.rates[i] = m_staged.rates[i];
            parts.push_back(std::string(kPortNames[i]) + " port rate");
        }
    m_staged = {};
    if (parts.empty())
        return "nothing staged";
    std::string note = "applied: ";
    for (std::size_t i = 0; i < parts.size(); ++i)
        note += (i ? ", " : "") + parts[i];
    return note;
}

std::vector<Difference> compareCommands(const ControllerTable &table, std::span<const std::string> slotTexts)
{
    std::vector<Difference> differences;
    const auto slots = SlotTable::all();
    for (std::size_t i = 0; i < slots.size() && i < kSlotCount; ++i) {
        Bytes expected;
        if (i < slotTexts.size())
            expected = hexTextToBytes(stripSpaces(slotTexts[i]));
        if (expected != table.commands[i])
            differences.push_back(Difference { slots[i].number, std::move(expected), table.commands[i] });
    }
    return differences;
}

} // namespace velmora::sim
