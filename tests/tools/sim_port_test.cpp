#include "tools/sim/sim_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace velmora::sim;
namespace fs = std::filesystem;

namespace {

class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "velmora-sim-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    fs::path dir;
};

using SimPortLink = TempDir;

TEST_F(SimPortLink, CreatesTheLinkAndRemovesItWithItsFolder)
{
    std::string error, note;
    {
        auto link = PortLink::create(dir, 3, "/dev/pts/77", error, note);
        ASSERT_TRUE(link) << error;
        EXPECT_EQ(link->path(), dir / "ports" / "COM3");
        EXPECT_EQ(fs::read_symlink(dir / "ports" / "COM3"), "/dev/pts/77");
        EXPECT_EQ(note, "");
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "ports" / "COM3")));
    EXPECT_FALSE(fs::exists(dir / "ports")) << "the folder was made for the link";
}

TEST_F(SimPortLink, KeepsAFolderThatWasThereAndOtherLinks)
{
    fs::create_directories(dir / "ports");
    fs::create_symlink("/dev/ttyUSB0", dir / "ports" / "COM2");
    std::string error, note;
    {
        auto link = PortLink::create(dir, 1, "/dev/pts/5", error, note);
        ASSERT_TRUE(link) << error;
    }
    EXPECT_TRUE(fs::is_directory(dir / "ports"));
    EXPECT_EQ(fs::read_symlink(dir / "ports" / "COM2"), "/dev/ttyUSB0");
}

struct ExistingCase {
    const char *name;
    const char *oldTarget; // nullptr: a regular file is in the way
    bool replaced;
};

class SimPortExisting : public TempDir, public ::testing::WithParamInterface<ExistingCase> { };

TEST_P(SimPortExisting, ReplacesOnlyWhatAnEarlierRunLeft)
{
    const ExistingCase &c = GetParam();
    fs::create_directories(dir / "ports");
    const fs::path path = dir / "ports" / "COM1";
    if (c.oldTarget) {
        fs::create_symlink(c.oldTarget, path);
    } else {
        std::ofstream(path) << "user data";
    }
    std::string error, note;
    auto link = PortLink::create(dir, 1, "/dev/pts/5", error, note);
    EXPECT_EQ(static_cast<bool>(link), c.replaced) << error;
    if (c.replaced) {
        EXPECT_EQ(fs::read_symlink(path), "/dev/pts/5");
        EXPECT_NE(note.find("replaced"), std::string::npos);
    } else {
        EXPECT_NE(error.find("left alone"), std::string::npos) << error;
        if (c.oldTarget)
            EXPECT_EQ(fs::read_symlink(path), c.oldTarget);
        else
            EXPECT_TRUE(fs::is_regular_file(path));
    }
}

INSTANTIATE_TEST_SUITE_P(Sim, SimPortExisting,
    ::testing::Values(ExistingCase { "dangling_link", "/dev/pts/999999", true },
        ExistingCase { "link_to_a_pseudo_terminal", "/dev/pts/ptmx", true },
        ExistingCase { "link_to_a_pinned_device", "/dev/null", false },
        ExistingCase { "regular_file", nullptr, false }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SimPortLink, LeavesALinkThatAnotherRunTookOver)
{
    std::string error, note;
    auto link = PortLink::create(dir, 1, "/dev/pts/5", error, note);
    ASSERT_TRUE(link) << error;
    fs::remove(link->path());
    fs::create_symlink("/dev/pts/6", dir / "ports" / "COM1");
    link.reset();
    EXPECT_EQ(fs::read_symlink(dir / "ports" / "COM1"), "/dev/pts/6");
}

using SimProgramDir = TempDir;

TEST_F(SimProgramDir, FindsTheToolBesideOrInTheSameBuildTree)
{
    auto touch = [](const fs::path &p) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "";
    };
    const fs::path build = dir / "build" / "mine";
    const fs::path simDir = build / "tools" / "sim";
    fs::create_directories(simDir);
    touch(build / "CMakeCache.txt");
    // Nothing anywhere: build/default under the working folder.
    EXPECT_EQ(defaultProgramDir(simDir, dir / "src"), dir / "src" / "build" / "default");
    touch(dir / "src" / "build" / "default" / "app" / "velmora");
    EXPECT_EQ(defaultProgramDir(simDir, dir / "src"), dir / "src" / "build" / "default" / "app");
    touch(build / "app" / "velmora");
    EXPECT_EQ(defaultProgramDir(simDir, dir / "src"), build / "app");
    touch(simDir / "velmora");
    EXPECT_EQ(defaultProgramDir(simDir, dir / "src"), simDir);
}

TEST(SimPseudoTerminal, OpensARawPairWhoseSlaveCanBeOpenedAgain)
{
    std::string error;
    auto pty = PseudoTerminal::open(9600, error);
    if (!pty)
        GTEST_SKIP() << "no pseudo-terminal: " << error;
    EXPECT_TRUE(isPseudoTerminalName(pty->slaveName())) << pty->slaveName();
    const int client = ::open(pty->slaveName().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(client, 0);
    // Raw: a line feed is not turned into CR LF on its way to the master.
    const unsigned char out[] = { 0x0A, 0x0D, 0x03 };
    ASSERT_EQ(::write(client, out, sizeof out), 3);
    unsigned char in[8] = {};
    std::size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got < 3 && std::chrono::steady_clock::now() < deadline) {
        pollfd fd { pty->master(), POLLIN, 0 };
        if (::poll(&fd, 1, 100) <= 0)
            continue;
        const ssize_t n = ::read(pty->master(), in + got, sizeof in - got);
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    ::close(client);
    ASSERT_EQ(got, 3u);
    EXPECT_EQ(in[0], 0x0A);
    EXPECT_EQ(in[1], 0x0D);
    EXPECT_EQ(in[2], 0x03);
}

} // namespace
