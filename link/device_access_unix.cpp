#include "link/device_access.h"

#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace velmora {

bool claimDevice(qintptr handle)
{
    // TIOCEXCL does not stop root, and lock files only stop programs that look
    // for them; an advisory lock on the device itself also stops a second
    // open in this process and programs that lock the same way.
    int result = 0;
    do {
        result = ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB);
    } while (result == -1 && errno == EINTR);
    return result == 0;
}

bool deviceHungUp(qintptr handle)
{
    pollfd entry { static_cast<int>(handle), POLLIN, 0 };
    int result = 0;
    do {
        result = ::poll(&entry, 1, 0);
    } while (result == -1 && errno == EINTR);
    return result == 1 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool waitUntilTransmitted(qintptr handle, const QDeadlineTimer &deadline)
{
    // A write returns once the driver holds the bytes; at 9600 bit/s a frame
    // needs milliseconds more to leave. tcdrain would wait without a limit.
    for (;;) {
        int queued = 0;
        if (::ioctl(static_cast<int>(handle), TIOCOUTQ, &queued) == -1)
            return errno == ENOTTY || errno == EINVAL; // nothing to ask: the write is all there is
        if (queued <= 0)
            return true;
        if (deadline.hasExpired())
            return false;
        const timespec pause { 0, 1'000'000 }; // 1 ms
        ::nanosleep(&pause, nullptr);
    }
}

} // namespace velmora
