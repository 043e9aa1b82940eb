// Start-up and close of the window when the automatic file "配置.qdx" is a
// large file of random bytes: prints how long the window takes to be
// created (the file loaded into its controls) and to go away (the file
// saved), the median of several runs, and the load alone for comparison.
//
//   startup_large_config [megabytes] [runs]     (defaults 50 and 5)
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "app/main_window.h"
#include "config/configuration.h"
#include "config/file_commands.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool writeFile(const std::filesystem::path &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

int runBenchmark(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 50;
    const long runs = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 5;
    if (megabytes <= 0 || runs <= 0) {
        std::fprintf(stderr, "usage: startup_large_config [megabytes] [runs]\n");
        return 2;
    }

    std::string noise(std::size_t(megabytes) << 20, '\0');
    std::mt19937_64 random(50);
    for (std::size_t i = 0; i + 8 <= noise.size(); i += 8) {
        const std::uint64_t word = random();
        std::memcpy(noise.data() + i, &word, 8);
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    const QString automatic = velmora::automaticConfigPath(QDir::toNativeSeparators(dir.path()));
    const std::filesystem::path file(automatic.toStdU16String());

    std::vector<double> loads;
    std::vector<double> startups;
    std::vector<double> closes;
    for (long run = 0; run < runs; ++run) {
        // Every run starts from the same noise: the close of the last one
        // has added the 81 entries.
        if (!writeFile(file, noise)) {
            std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            return 2;
        }
        auto start = Clock::now();
        const velmora::ConfigurationValues values = velmora::loadConfiguration(file);
        loads.push_back(millisecondsSince(start));
        (void)values;

        start = Clock::now();
        auto *window = new velmora::MainWindow(velmora::MainWindowOptions { dir.path(), {} });
        startups.push_back(millisecondsSince(start));
        start = Clock::now();
        delete window;
        closes.push_back(millisecondsSince(start));
    }

    const double startup = median(startups);
    std::printf("automatic file      %ld MB of random bytes\n", megabytes);
    std::printf("runs                %ld\n", runs);
    std::printf("load alone          %.1f ms (median)\n", median(loads));
    std::printf("window start-up     %.1f ms (median; created and loaded, not shown)\n", startup);
    std::printf("window close        %.1f ms (median; the file saved)\n", median(closes));
    std::printf("target start-up 2 s %s\n", startup <= 2000 ? "met" : "NOT met");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Caught, so that the temporary folder with its large file is removed.
    try {
        return runBenchmark(argc, argv);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "startup_large_config: %s\n", error.what());
        return 1;
    }
}
