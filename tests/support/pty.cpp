#include "pty.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::test {

namespace {

std::string failure(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

std::string PtyPair::open()
{
    close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return failure("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        const std::string why = failure("grantpt/unlockpt");
        close();
        return why;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        const std::string why = failure("ptsname");
        close();
        return why;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        const std::string why = failure("open slave");
        close();
        return why;
    }
    // Raw before the link opens it: no echo, no translation of bytes that
    // arrive while the link is closed.
    termios mode {};
    if (::tcgetattr(m_master, &mode) != 0) {
        const std::string why = failure("tcgetattr");
        close();
        return why;
    }
    ::cfmakeraw(&mode);
    if (::tcsetattr(m_master, TCSANOW, &mode) != 0) {
        const std::string why = failure("tcsetattr");
        close();
        return why;
    }
    return {};
}

void PtyPair::close()
{
    closeFd(m_master);
    closeFd(m_slave);
}

void PtyPair::closeMaster()
{
    closeFd(m_master);
}

bool PtyPair::write(const Bytes &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ADD_FAILURE() << failure("write to the master side");
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

Bytes PtyPair::read(std::size_t count, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Bytes got;
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry { m_master, POLLIN, 0 };
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            ADD_FAILURE() << failure("poll on the master side");
            break;
        }
        if (ready == 0)
            break;
        std::uint8_t buffer[4096];
        const std::size_t want = std::min(sizeof buffer, count - got.size());
        const ssize_t n = ::read(m_master, buffer, want);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            ADD_FAILURE() << failure("read from the master side");
            break;
        }
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

Bytes PtyPair::readSome(std::chrono::milliseconds timeout)
{
    pollfd entry { m_master, POLLIN, 0 };
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready < 0)
        ADD_FAILURE() << failure("poll on the master side");
    if (ready <= 0)
        return {};
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        ADD_FAILURE() << failure("read from the master side");
        return {};
    }
    return Bytes(buffer, buffer + n);
}

long PtyPair::pendingInput() const
{
    int pending = 0;
    if (::ioctl(m_slave, FIONREAD, &pending) != 0)
        return -1;
    return pending;
}

} // namespace velmora::test
