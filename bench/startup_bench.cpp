// Start-up to a shown window: runs the window in a fresh process several
// times and prints the median time from process start to the window being
// exposed. Usage: startup_bench [runs]   (QT_QPA_PLATFORM picks the display)

#include "app/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int child(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    velmora::MainWindow window(velmora::MainWindowOptions { dir.path(), [](int) { return QString(); } });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 10000))
        return 1;
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::string_view(argv[1]) == "--child")
        return child(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QElapsedTimer clock;
        clock.start();
        process.start(QString::fromLocal8Bit(argv[0]), { QStringLiteral("--child") });
        if (!process.waitForReadyRead(20000) || !process.readAllStandardOutput().startsWith("shown")) {
            std::fprintf(stderr, "run %d: the window did not show\n", i);
            return 1;
        }
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        process.waitForFinished(20000);
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "start-up to shown window over %d runs (platform %s): median %.1f ms, min %.1f ms, max %.1f ms\n",
        runs, qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default")).toLocal8Bit().constData(),
        ms[ms.size() / 2], ms.front(), ms.back());
    return 0;
}
