// Fuzzes the private-profile reader and writer on arbitrary file content and
// checks properties, not only the absence of crashes:
// - a read never hands back more than kProfileValueLimit bytes, and the
//   one-pass reader agrees with single reads;
// - writes applied in one pass give the same bytes as the same writes
//   applied one at a time;
// - after the writes, each stored value reads back without its outer
//   blanks, and every entry that no write touched reads as before.

#include "config/configuration.h"
#include "config/profile_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace velmora;

// Names the writes pick from: real sections and keys, a spelling in other
// letter case, GBK characters whose second byte is a letter or "]", and
// names that cannot be stored.
constexpr std::string_view kNames[] = {
    "\xB9\xA6\xB7\xC5", // 功放
    "\xB2\xA5\xB7\xC5\xC6\xF7", // 播放器
    "\xC0\xA9\xD5\xB9", // 扩展
    "\xC0\xA9\xD5\xB9\x31", // 扩展1
    "\xC0\xA9\xD5\xB9\x31\x30", // 扩展10
    "\xB4\xAE\xBF\xDA\xC5\xE4\xD6\xC3", // 串口配置
    "\xB6\xCB\xBF\xDA\xBA\xC5", // 端口号
    "OK",
    "ok",
    "HDMI1",
    "s",
    "S",
    "k",
    "\x81\x61",
    "\x81\x41",
    "\x81\x5D",
    "",
    " k",
    "k ",
    "k=j",
    "[k",
    ";k",
    "#k",
    "a]",
    "a\r\nb",
    "a\nb",
};

void require(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string pickName(FuzzedDataProvider &input)
{
    if (input.ConsumeBool())
        return std::string(kNames[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)]);
    return input.ConsumeRandomLengthString(12);
}

bool sameEntry(const ProfileKey &a, const ProfileKey &b)
{
    return profileNamesEqual(a.section, b.section) && profileNamesEqual(a.key, b.key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::string content = input.ConsumeRandomLengthString(size);
    // Repeating a piece reaches long lines and values past the reader's
    // limit from small inputs.
    if (input.ConsumeBool()) {
        const std::string piece = input.ConsumeRandomLengthString(16);
        const auto times = input.ConsumeIntegralInRange<std::size_t>(0, 1500);
        for (std::size_t i = 0; i < times; ++i)
            content += piece;
        content += input.ConsumeRandomLengthString(64);
    }

    // The 81 configuration entries and the names of the writes are the keys
    // whose values are compared before and after.
    std::vector<ProfileKey> keys;
    for (const ConfigurationEntry &entry : configurationEntries())
        keys.push_back({ entry.section, entry.key });

    std::vector<std::string> names; // owns the texts the writes point into
    const auto writeCount = input.ConsumeIntegralInRange<std::size_t>(0, 8);
    names.reserve(writeCount * 3);
    std::vector<ProfileWrite> writes;
    for (std::size_t i = 0; i < writeCount; ++i) {
        names.push_back(pickName(input));
        names.push_back(pickName(input));
        names.push_back(input.ConsumeRandomLengthString(48));
        const auto n = names.size();
        writes.push_back({ names[n - 3], names[n - 2], names[n - 1] });
        keys.push_back({ names[n - 3], names[n - 2] });
    }

    const std::vector<std::string> before = findProfileValues(content, keys);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        require(before[i].size() <= kProfileValueLimit, "a value longer than the reader's limit");
        // Single reads for a few keys: all 81 would make each run slow.
        if (i % 16 == 0)
            require(before[i] == findProfileValue(content, keys[i].section, keys[i].key),
                "the one-pass read differs from a single read");
    }

    const std::string batch = applyProfileWrites(content, writes);
    std::string oneByOne = content;
    for (const ProfileWrite &write : writes)
        oneByOne = applyProfileWrites(oneByOne, std::span(&write, 1));
    require(batch == oneByOne, "writes in one pass differ from single writes");

    const std::vector<std::string> after = findProfileValues(batch, keys);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // The last storable write to an entry decides its value.
        const ProfileWrite *last = nullptr;
        for (const ProfileWrite &write : writes) {
            if (isStorableWrite(write) && sameEntry({ write.section, write.key }, keys[i]))
                last = &write;
        }
        if (last)
            require(after[i] == trimmed(last->value), "a written value does not read back");
        else
            require(after[i] == before[i], "an entry that no write touched changed");
    }
    return 0;
}
