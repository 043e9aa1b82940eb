// Timings of the configuration file: loading large or hostile files, saving,
// and the one-pass save against 81 single writes. Prints figures only.

#include "config/configuration.h"
#include "config/profile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace velmora;

namespace {

using Clock = std::chrono::steady_clock;

template <typename Action> double bestMilliseconds(int rounds, Action action)
{
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        action();
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void writeFile(const fs::path &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::size_t filledValues(const ConfigurationValues &values)
{
    return static_cast<std::size_t>(
        std::count_if(values.begin(), values.end(), [](const std::string &v) { return !v.empty(); }));
}

ConfigurationValues sampleValues()
{
    ConfigurationValues values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = "A5 5A " + std::to_string(i);
    return values;
}

} // namespace

int main()
{
    const fs::path folder
        = fs::temp_directory_path() / ("velmora-profile-bench-" + std::to_string(std::random_device {}()));
    fs::create_directories(folder);
    constexpr double kMiB = 1024.0 * 1024.0;

    {
        const fs::path file = folder / "random.bin";
        std::mt19937_64 random(42);
        std::string bytes(50u << 20, '\0');
        for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            const auto word = random();
            std::copy_n(reinterpret_cast<const char *>(&word), 8, bytes.data() + i);
        }
        writeFile(file, bytes);
        std::size_t found = 0;
        const double ms = bestMilliseconds(3, [&] { found = filledValues(loadConfiguration(file)); });
        std::printf("load, 50 MiB of random bytes:          %8.1f ms  (%6.0f MiB/s, %zu values found)\n", ms,
            50.0 / (ms / 1000.0), found);

        ConfigurationValues values = sampleValues();
        std::vector<ProfileWrite> writes;
        const auto entries = configurationEntries();
        for (std::size_t i = 0; i < entries.size(); ++i)
            writes.push_back({ entries[i].section, entries[i].key, values[i] });
        std::size_t size = 0;
        const double editMs = bestMilliseconds(3, [&] { size = applyProfileWrites(bytes, writes).size(); });
        std::printf("81 writes in memory, same 50 MiB:      %8.1f ms  (result %.1f MiB)\n", editMs,
            static_cast<double>(size) / kMiB);
    }

    {
        const fs::path file = folder / "long-line.qdx";
        // 功放 / OK with a 100 MiB value and no line end at all.
        std::string bytes = "[\xB9\xA6\xB7\xC5]\r\nOK=";
        bytes.append(100u << 20, '7');
        writeFile(file, bytes);
        std::size_t length = 0;
        const double loadMs = bestMilliseconds(3, [&] {
            const ConfigurationValues values = loadConfiguration(file);
            length = std::max_element(values.begin(), values.end(), [](const auto &a, const auto &b) {
                return a.size() < b.size();
            })->size();
        });
        std::printf(
            "load, one 100 MiB line:                %8.1f ms  (value cut to %zu bytes)\n", loadMs, length);
        const double readMs
            = bestMilliseconds(3, [&] { length = readProfileValue(file, "\xB9\xA6\xB7\xC5", "OK").size(); });
        std::printf(
            "readProfileValue, same file:           %8.1f ms  (value cut to %zu bytes)\n", readMs, length);
    }

    {
        const fs::path file = folder / "config.qdx";
        const ConfigurationValues values = sampleValues();
        saveConfiguration(file, values);
        constexpr int kRounds = 20;
        ConfigurationValues changing = values;
        int round = 0;
        const double saveMs = bestMilliseconds(kRounds, [&] {
            changing[0] = std::to_string(++round);
            saveConfiguration(file, changing);
        });
        std::printf("save, 81 entries, one pass:            %8.2f ms  (file %ju bytes, flushed to disk)\n",
            saveMs, static_cast<std::uintmax_t>(fs::file_size(file)));

        const auto entries = configurationEntries();
        const double singleMs = bestMilliseconds(3, [&] {
            ++round;
            for (std::size_t i = 0; i < entries.size(); ++i)
                writeProfileValue(
                    file, entries[i].section, entries[i].key, values[i] + std::to_string(round));
        });
        std::printf("save, 81 single writeProfileValue:     %8.2f ms\n", singleMs);

        const double loadMs = bestMilliseconds(kRounds, [&] { loadConfiguration(file); });
        std::printf("load, saved file:                      %8.3f ms\n", loadMs);
    }

    std::error_code error;
    fs::remove_all(folder, error);
    return 0;
}
