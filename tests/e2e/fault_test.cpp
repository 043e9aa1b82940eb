// The real window (offscreen) under faults: the adapter pulled out during a
// write, a program folder it cannot write to, a huge configuration file of
// noise, and a controller that floods the line.

#include "app/main_window.h"
#include "config/configuration.h"
#include "config/file_commands.h"
#include "link/serial_link.h"
#include "model/command_text.h"
#include "model/gbk_text.h"
#include "model/slot_table.h"
#include "protocol/feedback_box.h"
#include "protocol/frames.h"
#include "support/cpu_time.h"
#include "support/fake_controller.h"
#include "support/gbk.h"
#include "support/modal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using namespace std::chrono_literals;
using test::Bytes;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

// How long this thread has waited for a processor, from the scheduler's own
// account; 0 where the system keeps none.
std::chrono::nanoseconds runQueueWait()
{
    std::ifstream stat("/proc/thread-self/schedstat");
    long long running = 0;
    long long waiting = 0;
    if (!(stat >> running >> waiting))
        return {};
    return std::chrono::nanoseconds(waiting);
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

fs::path fsPath(const QString &path)
{
    return fs::path(path.toStdU16String());
}

// UTF-8 names, readable in a failure message.
std::set<std::string> namesIn(const QString &folder)
{
    std::set<std::string> names;
    for (const QString &name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        names.insert(name.toStdString());
    return names;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window whose port 1 is the fake controller's line, started.
class ConnectedWindow {
public:
    // Empty on success, else why not.
    std::string open(const QString &runDirectory)
    {
        if (std::string why = controller.open(); !why.empty())
            return "no pseudo-terminal: " + why;
        const QString device = QString::fromStdString(controller.path());
        window = std::make_unique<MainWindow>(
            MainWindowOptions { runDirectory, [device](int) { return device; } });
        window->control<QLineEdit>(QStringLiteral("编辑框1"))->setText(QStringLiteral("1"));
        window->control<QLineEdit>(QStringLiteral("编辑框2"))->setText(QStringLiteral("115200"));
        QTest::mouseClick(button("按钮1"), Qt::LeftButton);
        return window->link().isOpen() ? std::string() : "the link did not open";
    }
    ~ConnectedWindow()
    {
        window.reset();
        controller.close();
    }

    QPushButton *button(const char *name) const
    {
        return window->control<QPushButton>(QString::fromUtf8(name));
    }

    test::FakeController controller;
    std::unique_ptr<MainWindow> window;
};

TEST(AdapterUnplugged, WriteEndsWithItsBoxWithoutBusyLoop)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ConnectedWindow connected;
    ASSERT_EQ(connected.open(dir.path()), "");
    MainWindow &window = *connected.window;
    for (int n = 1; n <= 20; ++n)
        window.commandBox(*slotByNumber(n))->setText(QStringLiteral("01 02 03"));

    // The adapter goes when the bar passes 10 (slot 8); slots 9 to 20 are
    // still to come, about 2.5 s of pauses.
    auto *progress = window.control<QProgressBar>(QStringLiteral("进度条1"));
    bool unplugged = false;
    double cpuAtUnplug = 0;
    Clock::time_point unpluggedAt;
    QObject::connect(progress, &QProgressBar::valueChanged, progress, [&](int value) {
        if (unplugged || value < 10)
            return;
        connected.controller.hangUp();
        unplugged = true;
        cpuAtUnplug = test::processCpuSeconds();
        unpluggedAt = Clock::now();
    });
    double cpuAtEnd = 0;
    Clock::time_point endedAt;
    test::MessageBoxAnswerer boxes([&](const test::SeenBox &box) {
        if (box.text == QStringLiteral("写入完成")) {
            cpuAtEnd = test::processCpuSeconds();
            endedAt = Clock::now();
        }
        return true;
    });
    QTest::mouseClick(connected.button("按钮001"), Qt::LeftButton);

    ASSERT_TRUE(unplugged);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("确认写入"));
    EXPECT_EQ(boxes.seen()[1].text, QStringLiteral("写入完成"));
    EXPECT_EQ(progress->value(), 0);
    EXPECT_TRUE(connected.button("按钮001")->isEnabled());
    EXPECT_FALSE(window.link().isOpen());

    // What went out before the adapter went is intact: BEGIN and the first slots.
    const Bytes received = connected.controller.receivedBytes();
    const Bytes begin = hexTextToBytes(BEGIN_FRAME);
    ASSERT_GE(received.size(), begin.size());
    EXPECT_TRUE(std::equal(begin.begin(), begin.end(), received.begin()));

    const double wall = seconds(endedAt - unpluggedAt);
    const double cpu = cpuAtEnd - cpuAtUnplug;
    std::printf("after the unplug: %.2f s of write, %.3f s of CPU (%.0f%% of one core)\n", wall, cpu,
        100 * cpu / wall);
    // The write still makes its pauses, so the measurement covers seconds.
    EXPECT_GT(wall, 2.0);
    EXPECT_LT(cpu, 0.25 * wall) << "the write or the link spins while the line is gone";
}

// As root, folder permissions stop nothing; the check then runs as
// "nobody" in a fresh run of this test program, given the folder through
// this variable. A fork of this process would do: Qt's pooled threads may
// hold locks at that moment, and the child would hang on them.
constexpr const char *kNobodyFolderVariable = "VELMORA_FAULT_TEST_NOBODY_FOLDER";
constexpr int kNoOrdinaryUser = 99;

// Starts and closes the window on the folder; 0 when the automatic file was
// loaded as expected, 1 when not.
int startAndClose(const QString &folder, bool withFile)
{
    bool loaded = false;
    {
        // Start-up loads the automatic file; the window's end saves into it.
        MainWindow window(MainWindowOptions { folder, {} });
        loaded = window.commandText(*slotByNumber(1)) == QByteArray(withFile ? "0A 0B" : "");
        window.commandBox(*slotByNumber(1))->setText(QStringLiteral("0C"));
    }
    return loaded ? 0 : 1;
}

// The result of startAndClose without root rights: here when this process
// has none, else in a child process; kNoOrdinaryUser when rights cannot be
// dropped, -1 when the child crashed or did not end within a minute.
int startAndCloseAsOrdinaryUser(const QString &folder, bool withFile, QString &childOutput)
{
    if (::geteuid() != 0)
        return startAndClose(folder, withFile);
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kNobodyFolderVariable), folder);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--gtest_filter=%1.%2")
                .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name())) });
    const bool ended = child.waitForFinished(60000);
    if (!ended) {
        child.kill();
        child.waitForFinished();
    }
    childOutput = QString::fromUtf8(child.readAll());
    return ended && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

struct ReadOnlyCase {
    const char *name;
    bool withFile; // an automatic file from an earlier run is there
};

class ReadOnlyProgramFolder : public ::testing::TestWithParam<ReadOnlyCase> { };

TEST_P(ReadOnlyProgramFolder, StartAndCloseLeaveTheFolderAsItWas)
{
    // The child run: become "nobody", do the check, report it as exit code.
    if (const QByteArray folder = qgetenv(kNobodyFolderVariable); !folder.isEmpty()) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            std::_Exit(kNoOrdinaryUser);
        std::_Exit(startAndClose(QString::fromLocal8Bit(folder), GetParam().withFile));
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // "nobody" must reach the program folder inside the temporary one.
    ASSERT_TRUE(QFile::setPermissions(dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("program"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString automatic = automaticConfigPath(QDir::toNativeSeparators(folder));
    ConfigurationValues values;
    values[0] = "2";
    values[1] = "9600";
    values[2] = "0A 0B";
    if (GetParam().withFile) {
        ASSERT_TRUE(saveConfiguration(fsPath(automatic), values));
        ASSERT_TRUE(
            QFile::setPermissions(automatic, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const std::set<std::string> namesBefore = namesIn(folder);
    const QByteArray bytesBefore = readFile(automatic);

    QString childOutput;
    const int result = startAndCloseAsOrdinaryUser(folder, GetParam().withFile, childOutput);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    if (result == kNoOrdinaryUser)
        GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_EQ(result, 0) << "1: the automatic file was not loaded; -1: crashed or hung\n"
                         << childOutput.toStdString();
    // No partial file and no temporary file: the folder is as it was.
    EXPECT_EQ(namesIn(folder), namesBefore);
    EXPECT_EQ(readFile(automatic), bytesBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadOnlyProgramFolder,
    ::testing::Values(ReadOnlyCase { "no_file_yet", false }, ReadOnlyCase { "earlier_file", true }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LargeConfiguration, FiftyMegabytesOfNoiseLoadAndSave)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string bytes(50u << 20, '\0');
    std::mt19937_64 random(20240611);
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const std::uint64_t word = random();
        std::memcpy(bytes.data() + i, &word, 8);
    }
    // One real entry among the noise: the reader must still find it.
    const std::string planted = "\r\n[" + test::gbk("时序器") + "]\r\n" + test::gbk("通道1开") + "=01 02\r\n";
    bytes.replace(bytes.size() / 2, planted.size(), planted);
    const QString automatic = automaticConfigPath(QDir::toNativeSeparators(dir.path()));
    {
        std::ofstream out(fsPath(automatic), std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        ASSERT_TRUE(out.good());
    }
    const ConfigurationValues expected = loadConfiguration(fsPath(automatic));
    ASSERT_EQ(expected[2], "01 02");

    auto window = std::make_unique<MainWindow>(MainWindowOptions { dir.path(), {} });
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora_V1.02") + automatic);
    EXPECT_EQ(window->control<QLineEdit>(QStringLiteral("编辑框1"))->text(), fromGbk(expected[0]));
    EXPECT_EQ(window->control<QLineEdit>(QStringLiteral("编辑框2"))->text(), fromGbk(expected[1]));
    std::size_t i = 2;
    for (const CommandSlot &slot : SlotTable::all())
        EXPECT_EQ(window->commandBox(slot)->text(), fromGbk(expected[i++])) << "slot " << slot.number;

    window.reset(); // saves the 81 entries into the 50 MB file
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string> { "配置.qdx" });
    const ConfigurationValues saved = loadConfiguration(fsPath(automatic));
    EXPECT_EQ(saved, expected);
    // The noise is kept around the entries, as any line that is not one of them.
    EXPECT_GE(QFileInfo(automatic).size(), qint64(bytes.size()));
}

// Reads the controller's line from the tool's side until `done`, so that a
// writer stuck on a full line can finish when the link stopped reading.
void drainLine(const std::string &device, const std::atomic<bool> &done)
{
    const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    char buffer[4096];
    while (!done) {
        if (::read(fd, buffer, sizeof buffer) <= 0)
            std::this_thread::sleep_for(1ms);
    }
    ::close(fd);
}

TEST(ReplyStream, TenMegabytesAtFullSpeedKeepTheWindowResponsive)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ConnectedWindow connected;
    ASSERT_EQ(connected.open(dir.path()), "");
    MainWindow &window = *connected.window;

    constexpr std::size_t kTotal = 10u << 20;
    Bytes data(kTotal);
    std::mt19937 random(11);
    for (auto &byte : data)
        byte = static_cast<std::uint8_t>(random());

    std::size_t count = 0;
    std::size_t firstWrong = kTotal;
    QObject::connect(&window.link(), &SerialLink::byteReceived, &window, [&](int value) {
        if (count < kTotal && value != data[count] && firstWrong == kTotal)
            firstWrong = count;
        ++count;
    });

    // A timer that a user's clicks and repaints would compete with. What
    // counts is how long the window's thread kept it waiting: time in which
    // the thread itself waited for a processor (other processes, the line's
    // writer and reader) is taken out, so that a busy machine cannot fail
    // the check and a blocked event loop cannot pass it.
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    Clock::time_point lastTick;
    std::chrono::nanoseconds lastWait {};
    Clock::duration largestGap {};
    Clock::duration largestRawGap {};
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        const auto now = Clock::now();
        const auto wait = runQueueWait();
        largestRawGap = std::max(largestRawGap, now - lastTick);
        largestGap = std::max(largestGap, (now - lastTick) - (wait - lastWait));
        lastTick = now;
        lastWait = wait;
    });
    ticker.start(10);
    lastTick = Clock::now();
    lastWait = runQueueWait();

    std::atomic<bool> written { false };
    const auto started = Clock::now();
    std::thread writer([&] {
        connected.controller.reply(data);
        written = true;
    });
    const bool allShown = test::waitFor([&] { return count >= kTotal; }, 120000);
    const double elapsed = seconds(Clock::now() - started);
    ticker.stop();
    if (!written)
        drainLine(connected.controller.path(), written);
    writer.join();

    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("10 MB shown in %.2f s (%.1f MB/s); largest gap between 10 ms ticks: %.1f ms "
                "(%.1f ms with the waits for a processor)\n",
        elapsed, 10 / elapsed, ms(largestGap), ms(largestRawGap));
    ASSERT_TRUE(allShown) << count << " of " << kTotal << " bytes reached the window";
    EXPECT_EQ(count, kTotal);
    EXPECT_EQ(firstWrong, kTotal) << "first byte out of order at " << firstWrong;
    EXPECT_LT(largestGap, 100ms);

    // The feedback box shows the stream from its first byte until it is full.
    const QString shown = window.control<FeedbackBox>(QStringLiteral("编辑框4"))->text();
    EXPECT_EQ(shown.size(), 20000);
    QString hex = shown;
    hex.remove(QStringLiteral("\r\n"));
    QString expected;
    for (std::size_t k = 0; std::size_t(expected.size()) < std::size_t(hex.size()); ++k)
        expected += QStringLiteral("%1 ").arg(data[k], 2, 16, QLatin1Char('0')).toUpper();
    expected.truncate(hex.size());
    EXPECT_EQ(hex, expected);
}

} // namespace
