#include "config/configuration.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora;
using velmora::test::readBytes;
using velmora::test::ScratchFolder;
using velmora::test::writeBytes;

namespace fs = std::filesystem;

namespace {

// Runs the check with no more rights than an ordinary user: root writes
// into read-only folders and reads any file, so as root the check runs in a
// child process that has become "nobody". Returns the check's result,
// kNoOrdinaryUser when rights cannot be dropped here, or -1 when the child
// did not finish.
constexpr int kNoOrdinaryUser = 99;

int asOrdinaryUser(const std::function<int()> &check)
{
    if (::geteuid() != 0)
        return check();
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(kNoOrdinaryUser);
        ::_exit(check());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

ConfigurationValues someValues()
{
    return ConfigurationValues { "3", "19200", "A5 01" };
}

TEST(SaveConfigurationPermissions, ReadOnlyFolderKeepsOldFile)
{
    ScratchFolder folder;
    const fs::path inner = folder / "read-only";
    fs::create_directory(inner);
    const fs::path file = inner / "config.qdx";
    const std::string old = "[\xB9\xA6\xB7\xC5]\r\nOK=old\r\n";
    writeBytes(file, old);
    fs::permissions(inner,
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec);

    const int saved = asOrdinaryUser([&] { return saveConfiguration(file, someValues()) ? 1 : 0; });
    if (saved == kNoOrdinaryUser)
        GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(readBytes(file), old);
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(inner))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, std::set<std::string> { "config.qdx" });
}

TEST(SaveConfigurationPermissions, UnreadableFileIsNotReplaced)
{
    ScratchFolder folder;
    const fs::path inner = folder / "open";
    fs::create_directory(inner);
    fs::permissions(inner, fs::perms::all);
    const fs::path file = inner / "config.qdx";
    const std::string old = "[other]\r\nkept=yes\r\n";
    writeBytes(file, old);
    // Writable but not readable: a save cannot keep the lines it cannot see.
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);

    const int saved = asOrdinaryUser([&] { return saveConfiguration(file, someValues()) ? 1 : 0; });
    if (saved == kNoOrdinaryUser)
        GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_EQ(saved, 0);
    fs::permissions(file, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(readBytes(file), old);
}

TEST(SaveConfigurationPermissions, ReplacedFileKeepsItsPermissions)
{
    ScratchFolder folder;
    const fs::path file = folder / "config.qdx";
    writeBytes(file, "[other]\r\nkept=yes\r\n");
    const fs::perms chosen = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file, chosen);
    ASSERT_TRUE(saveConfiguration(file, someValues()));
    EXPECT_EQ(fs::status(file).permissions(), chosen);
    EXPECT_EQ(loadConfiguration(file)[1], "19200");
}

} // namespace
