// velmora-sim as a program: started on a temporary program directory, driven
// through its ports/COM<n> link as the tool would drive a controller.

#include "model/command_text.h"
#include "model/slot_table.h"
#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

using namespace velmora;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr auto kDeadline = 10s;

// The simulator as a child process with its standard input and output on pipes.
class SimProcess {
public:
    ~SimProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        for (int fd : { m_in, m_out })
            if (fd >= 0)
                ::close(fd);
    }

    bool start(const std::vector<std::string> &args)
    {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        for (int fd : { in[0], in[1], out[0], out[1] })
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<std::string> all { VELMORA_SIM_PROGRAM };
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char *> argv;
        argv.reserve(all.size() + 1);
        for (std::string &a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
        if (rc != 0)
            m_pid = -1;
        return rc == 0;
    }

    // Reads output until `text` appears after what earlier waits consumed.
    bool waitFor(const std::string &text)
    {
        const auto deadline = Clock::now() + kDeadline;
        for (;;) {
            if (const auto at = m_output.find(text, m_seen); at != std::string::npos) {
                m_seen = at + text.size();
                return true;
            }
            if (!readSome(deadline))
                return false;
        }
    }

    // Reads output to its end and returns the exit status, -1 if the
    // program did not end in time.
    int finish()
    {
        const auto deadline = Clock::now() + kDeadline;
        while (readSome(deadline)) { }
        if (m_pid <= 0)
            return -1;
        int status = 0;
        while (Clock::now() < deadline) {
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::poll(nullptr, 0, 5); // the pipe is closed already: the exit is imminent
        }
        return -1;
    }

    void type(const std::string &line)
    {
        ASSERT_EQ(::write(m_in, line.data(), line.size()), ssize_t(line.size()));
    }
    void signal(int sig) { ::kill(m_pid, sig); }
    const std::string &output() const { return m_output; }

private:
    bool readSome(Clock::time_point deadline)
    {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd fd { m_out, POLLIN, 0 };
        if (::poll(&fd, 1, static_cast<int>(left)) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(m_out, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_output.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_output;
    std::size_t m_seen = 0;
};

class SimProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "velmora-sim-run-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        expectFile = dir / "expected.mbqdx";
    }
    void TearDown() override
    {
        if (client >= 0)
            ::close(client);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    fs::path link(int port = 1) const { return dir / "ports" / ("COM" + std::to_string(port)); }

    void startSim(std::vector<std::string> args, int port = 1)
    {
        args.insert(args.end(), { "--program-dir", dir.string(), "--port", std::to_string(port) });
        ASSERT_TRUE(sim.start(args));
        ASSERT_TRUE(sim.waitFor("linked as")) << sim.output();
        client = ::open(link(port).c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(client, 0) << "cannot open " << link(port);
        termios tio {};
        ASSERT_EQ(tcgetattr(client, &tio), 0);
        cfmakeraw(&tio);
        ASSERT_EQ(tcsetattr(client, TCSANOW, &tio), 0);
    }

    // Sends one frame text as the tool does, then waits until the simulator
    // has printed it: for a slot frame that is after the quiet time, which
    // is also the gap the next frame needs.
    void send(const std::string &frameText, const std::string &printed)
    {
        const Bytes bytes = hexTextToBytes(frameText);
        ASSERT_EQ(::write(client, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        ASSERT_TRUE(sim.waitFor(printed)) << "waiting for " << printed << " in\n" << sim.output();
    }

    Bytes receive(std::size_t count)
    {
        Bytes bytes;
        const auto deadline = Clock::now() + kDeadline;
        while (bytes.size() < count && Clock::now() < deadline) {
            pollfd fd { client, POLLIN, 0 };
            if (::poll(&fd, 1, 100) <= 0)
                continue;
            std::uint8_t b[16];
            const ssize_t n = ::read(client, b, std::min(sizeof b, count - bytes.size()));
            if (n > 0)
                bytes.insert(bytes.end(), b, b + n);
        }
        return bytes;
    }

    // A text for every slot, with spaces, odd lengths and 0xAD inside.
    static std::vector<std::string> fullTable()
    {
        std::vector<std::string> texts;
        for (const CommandSlot &slot : SlotTable::all()) {
            std::string text = toHex2(slot.number) + " AD";
            // Appended, not " " + ...: GCC 12 warns falsely (-Wrestrict) on that at -O3.
            for (int i = 0; i < slot.number % 18; ++i)
                text.append(1, ' ').append(toHex2(slot.number * 7 + i));
            if (slot.number % 5 == 0)
                text += "B"; // an odd number of digits
            texts.push_back(text);
        }
        return texts;
    }

    // The configuration file as the tool saves it (GBK, CR LF).
    void writeExpectFile(const std::vector<std::string> &texts)
    {
        std::string content = "[\xB4\xAE\xBF\xDA\xC5\xE4\xD6\xC3]\r\n" // [串口配置]
                              "\xB6\xCB\xBF\xDA\xBA\xC5=1\r\n" // 端口号=1
                              "\xB2\xA8\xCC\xD8\xC2\xCA=9600\r\n"; // 波特率=9600
        // One header per section, as saving by key does it; a second header
        // of the same name would not be read.
        std::vector<std::pair<std::string_view, std::string>> sections;
        const auto slots = SlotTable::all();
        for (std::size_t i = 0; i < slots.size(); ++i) {
            auto it = std::find_if(sections.begin(), sections.end(),
                [&](const auto &s) { return s.first == slots[i].section(); });
            if (it == sections.end())
                it = sections.insert(sections.end(), { slots[i].section(), "" });
            it->second += std::string(slots[i].key) + "=" + texts[i] + "\r\n";
        }
        for (const auto &[name, lines] : sections)
            content += "[" + std::string(name) + "]\r\n" + lines;
        std::ofstream(expectFile, std::ios::binary) << content;
    }

    // The write operation's frames for the given texts, slot by slot.
    void sendWrite(const std::vector<std::string> &texts, int binding)
    {
        send(std::string(BEGIN_FRAME), "BEGIN");
        const auto slots = SlotTable::all();
        for (std::size_t i = 0; i < slots.size(); ++i)
            if (!texts[i].empty())
                send(makeSlotFrame(slots[i].number, texts[i]), "SLOT " + std::string(slots[i].wire) + " (");
        send(makeBindingFrame(binding), "BINDING");
        send(std::string(COMMIT_FRAME), "COMMIT");
        send(std::string(END_FRAME), "END");
    }

    fs::path dir;
    fs::path expectFile;
    SimProcess sim;
    int client = -1;
};

TEST_F(SimProgram, ConfirmsACompleteWriteAndRemovesItsLink)
{
    const auto texts = fullTable();
    writeExpectFile(texts);
    startSim({ "--expect", expectFile.string() });
    sendWrite(texts, 2);
    EXPECT_EQ(sim.finish(), 0) << sim.output();
    EXPECT_NE(sim.output().find("expectation met"), std::string::npos) << sim.output();
    EXPECT_NE(sim.output().find("extension binding: 02"), std::string::npos);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link()))) << "the link outlived the simulator";
}

TEST_F(SimProgram, ListsTheSlotsThatDiffer)
{
    auto texts = fullTable();
    writeExpectFile(texts);
    texts[1].clear(); // slot 2 never sent
    texts[77] = "4E 00"; // slot 78 sent with other bytes
    startSim({ "--expect", expectFile.string() });
    sendWrite(texts, 0);
    EXPECT_EQ(sim.finish(), 1) << sim.output();
    EXPECT_NE(sim.output().find("2 slots differ"), std::string::npos) << sim.output();
    EXPECT_NE(
        sim.output().find("  02 时序器 通道1关: expected 02 AD 0E 0F, learned no command"), std::string::npos)
        << sim.output();
    EXPECT_NE(sim.output().find("  4E 扩展 扩展12: expected"), std::string::npos);
}

TEST_F(SimProgram, ReportsGarbageAndCarriesOn)
{
    startSim({ "--exit-after-end" });
    send("0102AD66", "REJECTED 01 02: outside a frame");
    ASSERT_TRUE(sim.waitFor("REJECTED AD 66: truncated")) << sim.output();
    send(std::string(BEGIN_FRAME), "BEGIN");
    send(makeIntervalFrame("20"), "INTERVAL 20 (32)");
    send(makeBaudFrame(3, 0x05), "BAUD 115200 -> amplifier port (05)");
    send(std::string(COMMIT_FRAME), "applied: data interval, amplifier port rate");
    send(std::string(END_FRAME), "END");
    EXPECT_EQ(sim.finish(), 0) << sim.output();
    EXPECT_NE(sim.output().find("amplifier port rate: 115200"), std::string::npos) << sim.output();
}

TEST_F(SimProgram, SendsPanelReportsOnRequestAndStopsOnSignal)
{
    startSim({ "--panel", "0A:05" });
    // Once, as soon as the tool is evidently listening.
    send(std::string(BEGIN_FRAME), "BEGIN");
    EXPECT_EQ(receive(4), (Bytes { 0x0A, 0x77, 0x88, 0x05 }));
    sim.type("p 01:02\n");
    EXPECT_EQ(receive(4), (Bytes { 0x01, 0x77, 0x88, 0x02 }));
    sim.type("p zz\n");
    ASSERT_TRUE(sim.waitFor("not a panel report: zz"));
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.finish(), 0) << sim.output();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link())));
}

TEST_F(SimProgram, SendsPanelReportsAtAnInterval)
{
    startSim({ "--panel", "03:01", "--panel-interval", "20" });
    EXPECT_EQ(
        receive(12), (Bytes { 0x03, 0x77, 0x88, 0x01, 0x03, 0x77, 0x88, 0x01, 0x03, 0x77, 0x88, 0x01 }));
    sim.type("q\n");
    EXPECT_EQ(sim.finish(), 0) << sim.output();
}

TEST_F(SimProgram, ReplacesAStaleLinkOfACrashedRun)
{
    fs::create_directories(dir / "ports");
    fs::create_symlink("/dev/pts/999999", link(2));
    startSim({}, 2);
    EXPECT_NE(sim.output().find("replaced the earlier link"), std::string::npos) << sim.output();
    sim.signal(SIGINT);
    EXPECT_EQ(sim.finish(), 0) << sim.output();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link(2))));
}

TEST_F(SimProgram, StoppedBeforeTheExpectedEndIsNoSuccess)
{
    writeExpectFile(fullTable());
    startSim({ "--expect", expectFile.string() });
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.finish(), 3) << sim.output();
}

struct SetupCase {
    const char *name;
    std::vector<std::string> args;
    const char *message;
};

class SimProgramSetup : public SimProgram, public ::testing::WithParamInterface<SetupCase> { };

TEST_P(SimProgramSetup, RefusesWithExitStatus2)
{
    const SetupCase &c = GetParam();
    std::vector<std::string> args = c.args;
    args.insert(args.end(), { "--program-dir", dir.string() });
    ASSERT_TRUE(sim.start(args));
    EXPECT_EQ(sim.finish(), 2) << sim.output();
    EXPECT_NE(sim.output().find(c.message), std::string::npos) << sim.output();
    EXPECT_FALSE(fs::exists(dir / "ports"));
}

INSTANTIATE_TEST_SUITE_P(Sim, SimProgramSetup,
    ::testing::Values(SetupCase { "unknown_option", { "--fast" }, "unknown option: --fast" },
        SetupCase {
            "missing_expect_file", { "--expect", "/nonexistent/x.mbqdx" }, "cannot read the --expect file" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
