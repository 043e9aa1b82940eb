// Pushes bytes through a pseudo-terminal into SerialLink::byteReceived as
// fast as the link takes them, and prints how many bytes per second reach the
// handler and how much CPU time a megabyte costs. Checks that every byte
// arrives once, in order.
//
//   link_throughput [megabytes]     (default 16)

#include "link/serial_link.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int openRawMaster(std::string &slavePath)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return -1;
    const char *name = ptsname(master);
    termios mode {};
    if (!name || tcgetattr(master, &mode) != 0)
        return -1;
    cfmakeraw(&mode);
    if (tcsetattr(master, TCSANOW, &mode) != 0)
        return -1;
    slavePath = name;
    return master;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 16;
    if (megabytes <= 0) {
        std::fprintf(stderr, "usage: link_throughput [megabytes]\n");
        return 2;
    }
    const std::size_t total = std::size_t(megabytes) << 20;

    std::string slavePath;
    const int master = openRawMaster(slavePath);
    if (master < 0) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", std::strerror(errno));
        return 2;
    }

    std::vector<std::uint8_t> data(total);
    std::mt19937 random(7);
    for (auto &byte : data)
        byte = static_cast<std::uint8_t>(random());

    velmora::SerialLink link([&](int) { return QString::fromStdString(slavePath); });
    link.setBaudRate(115200);
    if (!link.start()) {
        std::fprintf(stderr, "the link did not open %s\n", slavePath.c_str());
        return 2;
    }

    QEventLoop loop;
    std::size_t events = 0;
    std::size_t wrong = 0;
    QObject::connect(&link, &velmora::SerialLink::byteReceived, &loop, [&](int value) {
        if (events >= total || value != data[events])
            ++wrong;
        if (++events == total)
            loop.quit();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    giveUp.start(120000);

    const double cpuStart = processCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    bool writeFailed = false;
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < total) {
            const ssize_t n = ::write(master, data.data() + done, std::min<std::size_t>(total - done, 65536));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                writeFailed = true;
                return;
            }
            done += std::size_t(n);
        }
    });
    loop.exec();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpu = processCpuSeconds() - cpuStart;
    writer.join();
    // Anything beyond the stream would be a duplicate: let it show.
    QCoreApplication::processEvents();
    link.close();
    ::close(master);

    const double rate = double(events) / wall;
    std::printf("bytes sent          %zu\n", total);
    std::printf("events received     %zu\n", events);
    std::printf("wrong or extra      %zu\n", wrong);
    std::printf("wall time           %.3f s\n", wall);
    std::printf("delivered           %.0f bytes/s\n", rate);
    std::printf(
        "CPU per megabyte    %.4f s (process, writer thread included)\n", cpu / (double(total) / 1e6));
    std::printf("target 1000000 B/s  %s\n", rate >= 1e6 ? "met" : "NOT met");
    const bool complete = !writeFailed && events == total && wrong == 0;
    if (!complete)
        std::printf("FAILED: %s\n",
            writeFailed ? "a write to the pseudo-terminal failed" : "bytes lost, repeated or out of order");
    return complete ? 0 : 1;
}
