#include "protocol/frames.h"

#include "model/command_text.h"

#include <array>

namespace velmora {

std::string makeSlotFrame(int slotNumber, std::string_view commandText)
{
    return "ADBD3D" + toHex2(slotNumber) + stripSpaces(commandText);
}

std::string makeBindingFrame(int portIndex)
{
    return "AD66887788CCDD" + toHex2(portIndex) + "BD";
}

std::string makeIntervalFrame(std::string_view intervalText)
{
    std::string frame = "AD66887788DDCC";
    frame += intervalText;
    frame += "BD";
    return frame;
}

std::string makeBaudFrame(int rateIndex, int portId)
{
    // The first four decimal digits of each rate, read as hex digits.
    static constexpr std::array<std::string_view, 4> kRateDigits{"9600", "1920", "3840", "1152"};
    if (rateIndex < 0 || rateIndex >= static_cast<int>(kRateDigits.size()))
        return {};
    std::string frame = "AD66778866";
    frame += kRateDigits[static_cast<std::size_t>(rateIndex)];
    frame += toHex2(portId);
    frame += "BD";
    return frame;
}

} // namespace velmora
