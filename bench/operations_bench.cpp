// The window against a fake controller on a pseudo-terminal:
//   write  - the full 78-slot write: duration from the first byte of
//            BEGIN_FRAME to the first byte of END_FRAME divided by the sum of
//            the pauses owed in between, and the CPU share during the write;
//   receive - bytes streamed into the window as fast as the link delivers
//            them: bytes per second shown and CPU seconds per megabyte.
// Usage: operations_bench [write|receive|all] [receive megabytes]

#include "app/main_window.h"
#include "link/serial_link.h"
#include "model/command_text.h"
#include "model/slot_table.h"
#include "protocol/controller_operations.h"
#include "protocol/feedback_box.h"
#include "protocol/frames.h"
#include "protocol/reply_display.h"
#include "support/cpu_time.h"
#include "support/fake_controller.h"
#include "support/modal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <random>
#include <string>

using namespace velmora;
using namespace std::chrono_literals;

namespace {

struct Rig {
    test::FakeController controller;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;

    bool open()
    {
        if (const std::string why = controller.open(); !why.empty()) {
            std::fprintf(stderr, "no pseudo-terminal: %s\n", why.c_str());
            return false;
        }
        const QString device = QString::fromStdString(controller.path());
        window = std::make_unique<MainWindow>(
            MainWindowOptions { dir.path(), [device](int) { return device; } });
        window->control<QLineEdit>(QStringLiteral("编辑框1"))->setText(QStringLiteral("1"));
        window->control<QLineEdit>(QStringLiteral("编辑框2"))->setText(QStringLiteral("115200"));
        window->startSerialLink();
        return window->link().isOpen();
    }
};

int benchWrite()
{
    Rig rig;
    if (!rig.open())
        return 1;
    // Every slot holds 20 bytes: the longest write a valid table makes.
    double owedMs = double(BEGIN_FRAME.size()) + 200;
    for (const CommandSlot &slot : SlotTable::numbered()) {
        std::string text;
        for (int i = 0; i < 20; ++i)
            text += toHex2((slot.number + i) & 0xFF);
        rig.window->setCommandText(slot, QByteArray::fromStdString(text));
        owedMs += double(makeSlotFrame(slot.number, text).size()) + 200;
    }
    owedMs += 50; // before the binding frame (no handshake)
    owedMs += double(makeBindingFrame(0).size()) + 200; // binding
    owedMs += double(COMMIT_FRAME.size()) + 200 + 100; // commit, bar to 100
    test::MessageBoxAnswerer boxes;
    const double cpuBefore = test::processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    rig.window->operations().writeLearnedData();
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = test::processCpuSeconds() - cpuBefore;

    const auto received = rig.controller.received();
    const auto end = hexTextToBytes(END_FRAME);
    if (received.size() < end.size()) {
        std::fprintf(stderr, "nothing arrived\n");
        return 1;
    }
    const auto first = received.front().at;
    const auto endStart = received[received.size() - end.size()].at;
    const double measuredMs
        = double(std::chrono::duration_cast<std::chrono::microseconds>(endStart - first).count()) / 1000;
    std::printf("write: %zu bytes, BEGIN to END %.1f ms, pauses owed %.1f ms, ratio %.4f\n", received.size(),
        measuredMs, owedMs, measuredMs / owedMs);
    std::printf("write: CPU %.3f s over %.2f s of the whole operation (boxes included): %.2f%% of one core\n",
        cpu, wallSeconds, 100 * cpu / wallSeconds);
    return 0;
}

int benchReceive(double megabytes)
{
    Rig rig;
    if (!rig.open())
        return 1;
    auto *feedback = rig.window->control<FeedbackBox>(QStringLiteral("编辑框4"));
    const std::size_t total = std::size_t(megabytes * 1024 * 1024);
    std::size_t shown = 0;
    std::size_t appended = 0;
    bool inOrder = true;
    std::mt19937 random(7);
    test::Bytes data(total);
    for (auto &b : data)
        b = std::uint8_t(random());
    QObject::connect(&rig.window->link(), &SerialLink::byteReceived, rig.window.get(), [&](int value) {
        inOrder = inOrder && value == data[shown];
        ++shown;
        // Keep the box from filling up, so every byte costs a real append.
        if (feedback->length() >= feedback->maxLength() - 8) {
            appended += std::size_t(feedback->length());
            rig.window->replyDisplay().clearFeedback();
        }
    });
    const double cpuBefore = test::processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    std::thread writer([&] { rig.controller.reply(data); });
    test::waitFor([&] { return shown >= total; }, 600000);
    writer.join();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = test::processCpuSeconds() - cpuBefore;
    std::printf("receive: %zu of %zu bytes shown%s in %.2f s: %.0f bytes/s, CPU %.3f s per MB (the writer "
                "thread included), %zu characters appended to the box\n",
        shown, total, inOrder ? " in order" : " OUT OF ORDER", seconds, double(shown) / seconds,
        cpu / (double(total) / (1024 * 1024)), appended);
    return shown == total && inOrder ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv(
        "QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string what = argc > 1 ? argv[1] : "all";
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 2.0;
    int result = 0;
    if (what == "write" || what == "all")
        result |= benchWrite();
    if (what == "receive" || what == "all")
        result |= benchReceive(megabytes);
    return result;
}
