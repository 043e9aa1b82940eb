#include "tools/sim/sim_port.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif

namespace velmora::sim {

namespace fs = std::filesystem;

namespace {

speed_t speedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B9600;
    }
}

std::string systemError(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

bool hasProgram(const fs::path &dir)
{
    std::error_code ec;
    return fs::is_regular_file(dir / "velmora", ec);
}

} // namespace

std::unique_ptr<PseudoTerminal> PseudoTerminal::open(int baud, std::string &error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        error = systemError("cannot open a pseudo-terminal");
        return nullptr;
    }
    auto fail = [&](const char *what) {
        error = systemError(what);
        ::close(master);
        ::close(slave);
        return nullptr;
    };
    // Raw 8-bit line, so that no byte is translated before the tool sets
    // the line up itself.
    termios tio {};
    if (tcgetattr(slave, &tio) != 0)
        return fail("cannot read the line settings");
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, speedOf(baud));
    cfsetospeed(&tio, speedOf(baud));
    if (tcsetattr(slave, TCSANOW, &tio) != 0)
        return fail("cannot set the line settings");
    const int flags = fcntl(master, F_GETFL);
    if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("cannot make the pseudo-terminal non-blocking");
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    return std::unique_ptr<PseudoTerminal>(new PseudoTerminal(master, slave, name));
}

PseudoTerminal::PseudoTerminal(int master, int slave, std::string slaveName)
    : m_master(master)
    , m_slave(slave)
    , m_slaveName(std::move(slaveName))
{
}

PseudoTerminal::~PseudoTerminal()
{
    ::close(m_master);
    ::close(m_slave);
}

bool isPseudoTerminalName(const std::string &path)
{
    return path.starts_with("/dev/pts/") || path.starts_with("/dev/ttys");
}

std::unique_ptr<PortLink> PortLink::create(
    const fs::path &programDir, int port, const std::string &target, std::string &error, std::string &note)
{
    std::error_code ec;
    const fs::path folder = programDir / "ports";
    const bool madeFolder = fs::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return nullptr;
    }
    const fs::path link = folder / ("COM" + std::to_string(port));
    const fs::file_status status = fs::symlink_status(link, ec);
    if (fs::exists(status)) {
        if (!fs::is_symlink(status)) {
            error = link.string() + " exists and is not a link; it is left alone (choose another --port)";
            return nullptr;
        }
        const std::string old = fs::read_symlink(link, ec).string();
        const bool dangling = !fs::exists(link, ec);
        if (!dangling && !isPseudoTerminalName(old)) {
            error = link.string() + " points at " + old
                + ", which is no pseudo-terminal; it is left alone (choose another --port)";
            return nullptr;
        }
        fs::remove(link, ec);
        if (ec) {
            error = "cannot replace " + link.string() + ": " + ec.message();
            return nullptr;
        }
        note = "replaced the earlier link " + link.string() + " -> " + old;
    }
    fs::create_symlink(target, link, ec);
    if (ec) {
        error = "cannot create " + link.string() + ": " + ec.message();
        return nullptr;
    }
    return std::unique_ptr<PortLink>(new PortLink(link, target, madeFolder));
}

PortLink::PortLink(fs::path path, std::string target, bool madeFolder)
    : m_path(std::move(path))
    , m_target(std::move(target))
    , m_madeFolder(madeFolder)
{
}

PortLink::~PortLink()
{
    std::error_code ec;
    if (fs::is_symlink(m_path, ec) && fs::read_symlink(m_path, ec).string() == m_target)
        fs::remove(m_path, ec);
    if (m_madeFolder && fs::is_empty(m_path.parent_path(), ec))
        fs::remove(m_path.parent_path(), ec);
}

fs::path defaultProgramDir(const fs::path &simulatorDir, const fs::path &workingDir)
{
    if (hasProgram(simulatorDir))
        return simulatorDir;
    std::error_code ec;
    for (fs::path dir = simulatorDir; !dir.empty(); dir = dir.parent_path()) {
        if (fs::exists(dir / "CMakeCache.txt", ec)) {
            for (const fs::path &candidate : { dir, dir / "app" })
                if (hasProgram(candidate))
                    return candidate;
            break;
        }
        if (dir == dir.parent_path())
            break;
    }
    fs::path fallback = workingDir / "build" / "default";
    if (hasProgram(fallback / "app") && !hasProgram(fallback))
        return fallback / "app";
    return fallback;
}

} // namespace velmora::sim
