// velmora-sim: plays the controller on a pseudo-terminal, so the tool can be
// tried and tested without hardware. See usage() for the command line.

#include "config/configuration.h"
#include "tools/sim/controller_state.h"
#include "tools/sim/frame_decoder.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_port.h"
#include "tools/sim/sim_text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace velmora;
using namespace velmora::sim;

namespace {

enum ExitCode { kOk = 0, kDifferent = 1, kSetupError = 2, kStoppedEarly = 3 };

int g_signalPipe[2] = { -1, -1 };

extern "C" void onSignal(int signal)
{
    // Only async-signal-safe calls here: the main loop picks the byte up.
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void say(const std::string &line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void complain(const std::string &line)
{
    std::fprintf(stderr, "velmora-sim: %s\n", line.c_str());
}

bool setUpSignals()
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    for (int fd : g_signalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        if (sigaction(signal, &action, nullptr) != 0)
            return false;
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

fs::path simulatorDir(const char *argv0)
{
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = fs::absolute(argv0, ec);
    return self.parent_path();
}

class Simulator {
public:
    Simulator(const SimOptions &options, PseudoTerminal &pty)
        : m_options(options)
        , m_pty(pty)
        , m_decoder(options.quiet)
    {
    }

    int run();

private:
    void readLine();
    void readInput();
    void handle(const std::vector<DecoderEvent> &events);
    void handleFrame(const Frame &frame);
    void compareWithExpectation();
    void command(const std::string &line);
    void sendPanel(const PanelReport &report);
    void printTable();

    const SimOptions &m_options;
    PseudoTerminal &m_pty;
    FrameDecoder m_decoder;
    ControllerState m_state;
    std::string m_input;
    bool m_inputOpen = true;
    bool m_stop = false;
    bool m_heardTool = false;
    int m_exitCode = kOk;
};

int Simulator::run()
{
    if (!m_options.expect.empty())
        m_exitCode = kStoppedEarly;
    std::optional<TimePoint> nextPanel;
    if (m_options.panel && m_options.panelInterval.count() > 0)
        nextPanel = Clock::now() + m_options.panelInterval;

    while (!m_stop) {
        std::optional<TimePoint> wake = m_decoder.deadline();
        if (nextPanel && (!wake || *nextPanel < *wake))
            wake = nextPanel;
        int timeout = -1;
        if (wake) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, 60000));
        }

        std::array<pollfd, 3> fds { { { g_signalPipe[0], POLLIN, 0 }, { m_pty.master(), POLLIN, 0 },
            { 0, POLLIN, 0 } } };
        const nfds_t count = m_inputOpen ? 3 : 2;
        const int ready = ::poll(fds.data(), count, timeout);
        if (ready < 0 && errno != EINTR) {
            complain(std::string("poll failed: ") + std::strerror(errno));
            return kSetupError;
        }
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            unsigned char signal = 0;
            if (::read(g_signalPipe[0], &signal, 1) == 1)
                say("stopped by signal " + std::to_string(signal));
            break;
        }
        if (ready > 0 && (fds[1].revents & (POLLIN | POLLERR | POLLHUP)))
            readLine();
        if (ready > 0 && m_inputOpen && (fds[2].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)))
            readInput();
        if (!m_stop)
            handle(m_decoder.idle(Clock::now()));
        if (nextPanel && Clock::now() >= *nextPanel && !m_stop) {
            sendPanel(*m_options.panel);
            nextPanel = *nextPanel + m_options.panelInterval;
            if (*nextPanel < Clock::now())
                nextPanel = Clock::now() + m_options.panelInterval;
        }
    }
    if (m_exitCode == kStoppedEarly)
        say("stopped before the END frame that --expect waits for");
    return m_exitCode;
}

void Simulator::readLine()
{
    std::array<std::uint8_t, 4096> buffer {};
    for (;;) {
        const ssize_t n = ::read(m_pty.master(), buffer.data(), buffer.size());
        if (n > 0) {
            handle(m_decoder.feed(std::span(buffer.data(), static_cast<std::size_t>(n)), Clock::now()));
            if (!m_heardTool && m_options.panel && m_options.panelInterval.count() == 0 && !m_stop)
                sendPanel(*m_options.panel);
            m_heardTool = true;
            if (m_stop)
                return;
            continue;
        }
        // EIO only while no one holds the slave end, which we always do;
        // either way there is nothing more to read now.
        return;
    }
}

void Simulator::readInput()
{
    std::array<char, 1024> buffer {};
    const ssize_t n = ::read(0, buffer.data(), buffer.size());
    if (n <= 0) {
        if (n == 0 || (errno != EINTR && errno != EAGAIN))
            m_inputOpen = false;
        return;
    }
    m_input.append(buffer.data(), static_cast<std::size_t>(n));
    for (std::size_t end = 0; !m_stop && (end = m_input.find('\n')) != std::string::npos;) {
        std::string line = m_input.substr(0, end);
        m_input.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        command(line);
    }
}

void Simulator::command(const std::string &line)
{
    const auto first = line.find_first_not_of(' ');
    if (first == std::string::npos)
        return;
    const std::string text = line.substr(first);
    if (text == "q") {
        m_stop = true;
    } else if (text == "t") {
        printTable();
    } else if (text == "p" || text.starts_with("p ")) {
        const std::string argument = text.size() > 2 ? text.substr(text.find_first_not_of(' ', 1)) : "";
        const auto report = argument.empty() ? m_options.panel : parsePanel(argument);
        if (report)
            sendPanel(*report);
        else
            say(argument.empty() ? "no panel report given: type p AA:CC" : "not a panel report: " + argument);
    } else if (text == "h" || text == "?") {
        say("p AA:CC  send a panel report;  p  send the one of --panel;  t  print the table;  q  quit");
    } else {
        say("unknown command: " + text + " (h for help)");
    }
}

void Simulator::sendPanel(const PanelReport &report)
{
    const auto bytes = report.bytes();
    const ssize_t n = ::write(m_pty.master(), bytes.data(), bytes.size());
    if (n == static_cast<ssize_t>(bytes.size()))
        say("sent panel report " + hexBytes(bytes));
    else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        say("panel report not sent: the port's input is full, the tool is not reading");
    else
        say("panel report not sent completely: " + std::string(n < 0 ? std::strerror(errno) : "short write"));
}

void Simulator::handle(const std::vector<DecoderEvent> &events)
{
    for (const DecoderEvent &event : events) {
        if (m_stop)
            return;
        if (const auto *rejected = std::get_if<Rejected>(&event))
            say(describe(*rejected));
        else
            handleFrame(std::get<Frame>(event));
    }
}

void Simulator::handleFrame(const Frame &frame)
{
    const std::string note = m_state.apply(frame);
    say(describe(frame) + (note.empty() ? "" : "  -- " + note));
    if (frame.kind != FrameKind::End)
        return;
    printTable();
    if (!m_options.expect.empty()) {
        compareWithExpectation();
        m_stop = true;
    }
    if (m_options.exitAfterEnd)
        m_stop = true;
}

void Simulator::compareWithExpectation()
{
    const ConfigurationValues values = loadConfiguration(m_options.expect);
    const std::span<const std::string> slotTexts(values.data() + 2, kSlotCount);
    const std::vector<Difference> differences = compareCommands(m_state.table(), slotTexts);
    if (differences.empty()) {
        say("expectation met: the learned commands match " + m_options.expect.string());
        m_exitCode = kOk;
        return;
    }
    say(std::to_string(differences.size()) + " slots differ from " + m_options.expect.string() + ":");
    for (const std::string &line : differenceLines(differences))
        say(line);
    m_exitCode = kDifferent;
}

void Simulator::printTable()
{
    for (const std::string &line : tableLines(m_state.table()))
        say(line);
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    ParsedOptions parsed = parseOptions(args);
    if (!parsed.error.empty()) {
        complain(parsed.error);
        std::fputs(usage().c_str(), stderr);
        return kSetupError;
    }
    SimOptions &options = parsed.options;
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        return kOk;
    }
    if (!options.expect.empty()) {
        // A missing file would read as 79 empty commands and could "match".
        std::ifstream probe(options.expect, std::ios::binary);
        if (!probe) {
            complain("cannot read the --expect file " + options.expect.string());
            return kSetupError;
        }
    }
    std::error_code ec;
    if (options.programDir.empty())
        options.programDir = defaultProgramDir(simulatorDir(argv[0]), fs::current_path(ec));
    options.programDir = fs::absolute(options.programDir, ec);

    if (!setUpSignals()) {
        complain(std::string("cannot set up signal handling: ") + std::strerror(errno));
        return kSetupError;
    }
    std::string error;
    std::unique_ptr<PseudoTerminal> pty = PseudoTerminal::open(options.baud, error);
    if (!pty) {
        complain(error);
        return kSetupError;
    }
    std::string note;
    std::unique_ptr<PortLink> link
        = PortLink::create(options.programDir, options.port, pty->slaveName(), error, note);
    if (!link) {
        complain(error);
        return kSetupError;
    }
    if (!note.empty())
        say(note);
    say("controller on " + pty->slaveName() + ", linked as " + link->path().string() + " (port "
        + std::to_string(options.port) + ", " + std::to_string(options.baud) + " baud, quiet time "
        + std::to_string(options.quiet.count()) + " ms)");
    say("waiting for the tool; type h for commands, Ctrl+C to stop");

    Simulator simulator(options, *pty);
    return simulator.run();
}
