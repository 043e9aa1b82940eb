#pragma once

// The command line of velmora-sim.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmora::sim {

struct PanelReport {
    std::uint8_t address = 0;
    std::uint8_t keyMode = 0;

    // The four bytes a control panel sends: address, 77, 88, key mode.
    std::array<std::uint8_t, 4> bytes() const { return { address, 0x77, 0x88, keyMode }; }
};

struct SimOptions {
    int port = 1; // the n of ports/COM<n>
    std::filesystem::path programDir; // empty: look for the tool (see usage())
    int baud = 9600; // nominal on a pseudo-terminal
    std::chrono::milliseconds quiet { 10 }; // the gap that ends a slot frame
    std::optional<PanelReport> panel;
    std::chrono::milliseconds panelInterval { 0 }; // 0: send the report once
    std::filesystem::path expect; // empty: no comparison
    bool exitAfterEnd = false;
    bool help = false;
};

struct ParsedOptions {
    SimOptions options;
    std::string error; // empty when the command line is valid
};

// The arguments after the program name.
ParsedOptions parseOptions(std::span<const std::string_view> args);

// "AA:CC", two hexadecimal bytes (either case), as in "--panel 01:02".
std::optional<PanelReport> parsePanel(std::string_view text);

// The rates the pseudo-terminal accepts for --baud.
bool isSupportedBaud(int rate);

std::string usage();

} // namespace velmora::sim
