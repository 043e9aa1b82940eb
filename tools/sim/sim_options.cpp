#include "tools/sim/sim_options.h"

#include <algorithm>
#include <charconv>

namespace velmora::sim {

namespace {

constexpr std::array<int, 9> kBaudRates { 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400 };

std::optional<int> parseInt(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::uint8_t> parseHexByte(std::string_view text)
{
    if (text.size() != 2)
        return std::nullopt;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + 2, value, 16);
    if (ec != std::errc() || end != text.data() + 2)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

} // namespace

std::optional<PanelReport> parsePanel(std::string_view text)
{
    if (text.size() != 5 || text[2] != ':')
        return std::nullopt;
    const auto address = parseHexByte(text.substr(0, 2));
    const auto mode = parseHexByte(text.substr(3, 2));
    if (!address || !mode)
        return std::nullopt;
    return PanelReport { *address, *mode };
}

bool isSupportedBaud(int rate)
{
    return std::find(kBaudRates.begin(), kBaudRates.end(), rate) != kBaudRates.end();
}

ParsedOptions parseOptions(std::span<const std::string_view> args)
{
    ParsedOptions parsed;
    SimOptions &o = parsed.options;
    auto fail = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inlineValue;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto flag = [&]() { return !inlineValue; };
        auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };

        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--exit-after-end") {
            if (!flag())
                return fail("--exit-after-end takes no value");
            o.exitAfterEnd = true;
        } else if (name == "--port" || name == "--baud" || name == "--quiet-ms"
            || name == "--panel-interval") {
            const auto text = value();
            if (!text)
                return fail(std::string(name) + " needs a number");
            const bool baud = name == "--baud";
            const auto number = baud ? parseInt(*text, 1, 4000000)
                : name == "--port"   ? parseInt(*text, 1, 9999)
                                     : parseInt(*text, 1, 3600000);
            if (!number || (baud && !isSupportedBaud(*number)))
                return fail("invalid value for " + std::string(name) + ": " + std::string(*text));
            if (name == "--port")
                o.port = *number;
            else if (baud)
                o.baud = *number;
            else if (name == "--quiet-ms")
                o.quiet = std::chrono::milliseconds(*number);
            else
                o.panelInterval = std::chrono::milliseconds(*number);
        } else if (name == "--panel") {
            const auto text = value();
            const auto report = text ? parsePanel(*text) : std::nullopt;
            if (!report)
                return fail("--panel needs AA:CC, two hexadecimal bytes (address and key mode)");
            o.panel = report;
        } else if (name == "--program-dir" || name == "--expect") {
            const auto text = value();
            if (!text || text->empty())
                return fail(std::string(name) + " needs a path");
            (name == "--expect" ? o.expect : o.programDir) = std::filesystem::path(*text);
        } else {
            return fail("unknown option: " + std::string(args[i]));
        }
    }
    if (o.panelInterval.count() > 0 && !o.panel)
        return fail("--panel-interval needs --panel");
    return parsed;
}

std::string usage()
{
    return R"(usage: velmora-sim [options]

Plays the home-cinema controller on a pseudo-terminal, linked as
ports/COM<n> in the tool's program directory, so the tool finds it as port n.

  --port N              the n of ports/COM<n> (default 1)
  --program-dir DIR     the tool's program directory (default: the folder of
                        a velmora program beside velmora-sim or in the same
                        build tree, else build/default under the current
                        folder)
  --baud RATE           nominal line rate, 1200..230400 (default 9600)
  --quiet-ms MS         quiet time that ends a slot frame (default 10)
  --panel AA:CC         send the panel report AA 77 88 CC once, when the
                        tool's first bytes arrive (before that the tool may
                        not be listening)
  --panel-interval MS   send the panel report every MS instead
  --expect FILE         after the next END frame, compare the learned commands
                        with the file's command texts; exit 0 on a match,
                        1 with the differences listed
  --exit-after-end      exit after the next END frame
  -h, --help            this text

Typed commands: "p AA:CC" sends a panel report ("p" alone the one of
--panel), "t" prints the table, "q" quits.

Exit status: 0 normally or when --expect matched, 1 when it did not, 2 for
a usage or set-up error, 3 when stopped before the END frame --expect
waits for.
)";
}

} // namespace velmora::sim
