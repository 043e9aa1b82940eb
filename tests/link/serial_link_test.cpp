#include "link/serial_link.h"

#include "event_loop.h"
#include "support/pty.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace velmora;
using namespace velmora::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kDeadline = 10s;

// Port numbers mapped to devices; remembers which numbers the link asked for.
class PortMap {
public:
    void set(int n, const std::string &device) { m_devices[n] = device; }
    const std::vector<int> &asked() const { return m_asked; }

    PortResolver resolver()
    {
        return [this](int n) {
            m_asked.push_back(n);
            const auto found = m_devices.find(n);
            return found == m_devices.end() ? QString() : QString::fromStdString(found->second);
        };
    }

private:
    std::map<int, std::string> m_devices;
    std::vector<int> m_asked;
};

// Every byteReceived of a link, and whether all came on the main thread.
struct Received {
    Bytes bytes;
    bool onMainThread = true;

    void listen(SerialLink &link)
    {
        QObject::connect(&link, &SerialLink::byteReceived, &link, [this](int value) {
            onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
            bytes.push_back(static_cast<std::uint8_t>(value));
        });
    }
};

// Waits without dispatching events, so that nothing is delivered meanwhile.
bool waitWithoutEvents(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// CPU time of the whole process, every thread included.
double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class LinkTest : public PtyFixture {
protected:
    void SetUp() override
    {
        PtyFixture::SetUp();
        if (IsSkipped())
            return;
        ports.set(1, pty.slavePath());
    }

    PortMap ports;
    SerialLink link { ports.resolver() };
    Received received;
};

TEST(SerialLinkSettings, Defaults)
{
    const SerialLink link([](int) { return QString(); });
    EXPECT_EQ(link.portNumber(), 1);
    EXPECT_EQ(link.baudRate(), 9600);
    EXPECT_EQ(link.dataBits(), 8);
    EXPECT_EQ(link.stopBits(), 1);
    EXPECT_FALSE(link.parityCheck());
    EXPECT_FALSE(link.isOpen());
}

struct SettingCase {
    const char *name;
    void (SerialLink::*set)(int);
    int (SerialLink::*get)() const;
    int value;
    int stored;
};

class SerialLinkSettingTest : public ::testing::TestWithParam<SettingCase> { };

TEST_P(SerialLinkSettingTest, StoresAdjustedValue)
{
    const SettingCase &c = GetParam();
    SerialLink link([](int) { return QString(); });
    (link.*c.set)(c.value);
    EXPECT_EQ((link.*c.get)(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Adjustments, SerialLinkSettingTest,
    ::testing::Values(SettingCase { "port_0", &SerialLink::setPortNumber, &SerialLink::portNumber, 0, 1 },
        SettingCase { "port_minus_3", &SerialLink::setPortNumber, &SerialLink::portNumber, -3, 1 },
        SettingCase { "port_int_min", &SerialLink::setPortNumber, &SerialLink::portNumber, INT_MIN, 1 },
        SettingCase { "port_12", &SerialLink::setPortNumber, &SerialLink::portNumber, 12, 12 },
        SettingCase { "rate_minus_5", &SerialLink::setBaudRate, &SerialLink::baudRate, -5, 0 },
        SettingCase { "rate_int_min", &SerialLink::setBaudRate, &SerialLink::baudRate, INT_MIN, 0 },
        SettingCase { "rate_0", &SerialLink::setBaudRate, &SerialLink::baudRate, 0, 0 },
        SettingCase { "rate_115200", &SerialLink::setBaudRate, &SerialLink::baudRate, 115200, 115200 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LinkTest, BytesArrivingTogetherAreOneEventEachInOrder)
{
    received.listen(link);
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(pty.write({ 0x01, 0x77, 0x88, 0x02 }));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() >= 4; }, kDeadline));
    EXPECT_EQ(received.bytes, (Bytes { 1, 119, 136, 2 }));
    EXPECT_TRUE(received.onMainThread);
}

TEST_F(LinkTest, BurstArrivesCompleteAndInOrder)
{
    std::mt19937 random(20240611);
    Bytes burst(100000);
    for (auto &byte : burst)
        byte = static_cast<std::uint8_t>(random());
    received.listen(link);
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(pty.write(burst));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() >= burst.size(); }, kDeadline))
        << received.bytes.size() << " bytes arrived";
    EXPECT_EQ(received.bytes.size(), burst.size());
    EXPECT_TRUE(received.bytes == burst) << "bytes changed or out of order";
}

TEST_F(LinkTest, SendResults)
{
    EXPECT_FALSE(link.send({})) << "closed link, no bytes";
    EXPECT_FALSE(link.send({ 0xAD })) << "closed link";

    ASSERT_TRUE(link.start());
    EXPECT_TRUE(link.send({})) << "open link, no bytes";
    // Bytes a cooked line would translate or swallow: CR, LF, XON, XOFF, ^C, 0, FF.
    const Bytes frame { 0xAD, 0x0D, 0x0A, 0x11, 0x13, 0x03, 0x00, 0xFF, 0xBD };
    bool dispatched = false;
    QMetaObject::invokeMethod(
        &link, [&] { dispatched = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(link.send(frame));
    EXPECT_FALSE(dispatched) << "send dispatched the caller's events";
    EXPECT_EQ(pty.read(frame.size(), kDeadline), frame) << "the empty send must have written nothing";
    // What follows the frame on the line is the next send, nothing else.
    EXPECT_TRUE(link.send({ 0x5A }));
    EXPECT_EQ(pty.read(1, kDeadline), (Bytes { 0x5A }));
}

TEST_F(LinkTest, StartDiscardsInputThatCameBeforeIt)
{
    received.listen(link);
    ASSERT_TRUE(pty.write({ 0x55 })); // arrives while the link is closed
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(pty.write({ 0xC1 }));
    ASSERT_TRUE(waitUntil([&] { return !received.bytes.empty(); }, kDeadline));

    // Read by the reader, not yet raised: a second start drops it.
    ASSERT_TRUE(pty.write({ 0xAA }));
    ASSERT_TRUE(waitWithoutEvents([&] { return pty.pendingInput() == 0; }, kDeadline));
    ASSERT_TRUE(link.start()) << "a second start on the same free port";
    EXPECT_TRUE(link.isOpen());
    ASSERT_TRUE(pty.write({ 0xC2 }));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() >= 2; }, kDeadline));
    EXPECT_EQ(received.bytes, (Bytes { 0xC1, 0xC2 }));
}

struct HolderCase {
    const char *name;
    bool anotherLink; // else a descriptor locked the way other programs lock a port
};

class HeldPortTest : public LinkTest, public ::testing::WithParamInterface<HolderCase> { };

TEST_P(HeldPortTest, StartFailsAndLeavesTheLinkClosed)
{
    PtyPair busy;
    if (const std::string why = busy.open(); !why.empty())
        GTEST_SKIP() << "no second pseudo-terminal: " << why;
    ports.set(2, busy.slavePath());

    auto holder = std::make_unique<SerialLink>(ports.resolver());
    int lockedFd = -1;
    if (GetParam().anotherLink) {
        holder->setPortNumber(2);
        ASSERT_TRUE(holder->start());
    } else {
        lockedFd = ::open(busy.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(lockedFd, 0);
        ASSERT_EQ(::flock(lockedFd, LOCK_EX | LOCK_NB), 0);
    }

    ASSERT_TRUE(link.start()) << "port 1 is free";
    link.setPortNumber(2);
    EXPECT_FALSE(link.start());
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.send({ 0x01 }));

    SerialLink probe(ports.resolver());
    EXPECT_TRUE(probe.start()) << "port 1 must have been released";

    // Refused because it was held: once free, the same start works.
    holder.reset();
    if (lockedFd >= 0)
        ::close(lockedFd);
    EXPECT_TRUE(link.start());
}

INSTANTIATE_TEST_SUITE_P(Holders, HeldPortTest,
    ::testing::Values(HolderCase { "another_link", true }, HolderCase { "locked_descriptor", false }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LinkTest, RateZeroIsRefusedWithoutTouchingTheDevice)
{
    ASSERT_TRUE(link.start());
    const std::size_t askedBefore = ports.asked().size();
    link.setBaudRate(-5);
    EXPECT_EQ(link.baudRate(), 0);
    EXPECT_FALSE(link.start());
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(ports.asked().size(), askedBefore) << "the device was looked up for rate 0";
    SerialLink probe(ports.resolver());
    EXPECT_TRUE(probe.start()) << "the earlier open must have been closed";
}

TEST_F(LinkTest, PortNumberBelowOneOpensPortOne)
{
    link.setPortNumber(-3);
    ASSERT_TRUE(link.start());
    EXPECT_EQ(ports.asked(), (std::vector<int> { 1 }));
    EXPECT_EQ(link.portNumber(), 1);
}

struct MissingCase {
    const char *name;
    std::string device; // "" = the resolver knows no such port
};

class MissingDeviceTest : public ::testing::TestWithParam<MissingCase> { };

TEST_P(MissingDeviceTest, StartFails)
{
    std::string device = GetParam().device;
    std::string plainFile;
    if (device == "plain file") {
        char path[] = "/tmp/velmora-link-XXXXXX";
        const int fd = ::mkstemp(path);
        ASSERT_GE(fd, 0);
        ::close(fd);
        plainFile = device = path;
    }
    SerialLink link([&](int) { return QString::fromStdString(device); });
    EXPECT_FALSE(link.start());
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.send({ 0x01 }));
    if (!plainFile.empty())
        std::remove(plainFile.c_str());
}

INSTANTIATE_TEST_SUITE_P(Devices, MissingDeviceTest,
    ::testing::Values(MissingCase { "no_such_port", "" },
        MissingCase { "no_such_device", "/dev/velmora-no-such-tty" },
        MissingCase { "not_a_serial_device", "plain file" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LinkTest, HangUpStopsTheLinkWithoutBusyLoop)
{
    received.listen(link);
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(pty.write({ 0x42 }));
    ASSERT_TRUE(waitUntil([&] { return !received.bytes.empty(); }, kDeadline));

    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !link.isOpen(); }, kDeadline));

    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    dispatchEventsFor(500ms);
    const double cpu = processCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    EXPECT_LT(cpu / wall, 0.05) << cpu << " s of CPU in " << wall << " s";

    EXPECT_FALSE(link.send({ 0x01 }));
    EXPECT_FALSE(link.start()) << "the hung-up device";

    PtyPair fresh;
    ASSERT_EQ(fresh.open(), "");
    ports.set(1, fresh.slavePath());
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(fresh.write({ 0x43 }));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() >= 2; }, kDeadline));
    EXPECT_EQ(received.bytes, (Bytes { 0x42, 0x43 }));
}

TEST_F(LinkTest, StuckWriteTimesOutAndTheLinkStaysUsable)
{
    ASSERT_TRUE(link.start());
    link.setWriteTimeout(0, 200);
    // Far more than the line holds while nobody reads the other end.
    const Bytes big(1 << 20, 0x00);
    EXPECT_FALSE(link.send(big));
    EXPECT_TRUE(link.isOpen());

    // The line is still full: the next send can only finish while the other
    // end reads.
    link.setWriteTimeout(1000, 1000);
    Bytes line;
    std::thread drain([&] {
        while (line.empty() || line.back() != 0x42) {
            const Bytes chunk = pty.readSome(kDeadline);
            if (chunk.empty())
                return;
            line.insert(line.end(), chunk.begin(), chunk.end());
        }
    });
    const bool sent = link.send({ 0x42 });
    drain.join();
    EXPECT_TRUE(sent);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), 0x42);
    EXPECT_LT(line.size(), big.size()) << "the rest of the timed-out write went out later";
}

struct InterruptCase {
    const char *name;
    bool destroy; // else restart
};

class InterruptedDeliveryTest : public LinkTest, public ::testing::WithParamInterface<InterruptCase> { };

// A handler that restarts or destroys the link: the bytes queued behind the
// current one are not raised, and nothing crashes.
TEST_P(InterruptedDeliveryTest, DropsTheRestOfTheQueue)
{
    auto owned = std::make_unique<SerialLink>(ports.resolver());
    bool restarted = false;
    QObject::connect(owned.get(), &SerialLink::byteReceived, owned.get(), [&](int value) {
        received.bytes.push_back(static_cast<std::uint8_t>(value));
        if (received.bytes.size() != 1)
            return;
        if (GetParam().destroy)
            owned.reset();
        else
            restarted = owned->start();
    });
    ASSERT_TRUE(owned->start());
    ASSERT_TRUE(pty.write({ 1, 2, 3, 4 }));
    ASSERT_TRUE(waitUntil([&] { return !received.bytes.empty(); }, kDeadline));

    if (GetParam().destroy) {
        dispatchEventsFor(50ms);
        EXPECT_EQ(received.bytes, (Bytes { 1 }));
        return;
    }
    ASSERT_TRUE(restarted);
    ASSERT_TRUE(pty.write({ 0x99 }));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() >= 2; }, kDeadline));
    EXPECT_EQ(received.bytes, (Bytes { 1, 0x99 }));
}

INSTANTIATE_TEST_SUITE_P(Handlers, InterruptedDeliveryTest,
    ::testing::Values(InterruptCase { "restart", false }, InterruptCase { "destroy", true }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LinkTest, DestroyedWithAWakeUpQueued)
{
    auto owned = std::make_unique<SerialLink>(ports.resolver());
    QObject::connect(owned.get(), &SerialLink::byteReceived, owned.get(),
        [&](int value) { received.bytes.push_back(static_cast<std::uint8_t>(value)); });
    ASSERT_TRUE(owned->start());
    ASSERT_TRUE(pty.write({ 1, 2, 3 }));
    ASSERT_TRUE(waitWithoutEvents([&] { return pty.pendingInput() == 0; }, kDeadline));
    owned.reset(); // its reader has read the bytes and asked for delivery
    dispatchEventsFor(50ms);
    EXPECT_TRUE(received.bytes.empty());
}

} // namespace
