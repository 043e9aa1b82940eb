#include "config/file_replace.h"

#include "config/platform_file.h"

#include <fstream>
#include <random>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

fs::path temporaryNameFor(const fs::path &file)
{
    thread_local std::mt19937_64 random { std::random_device {}() };
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix = ".";
    auto bits = random();
    for (int i = 0; i < 12; ++i, bits >>= 4)
        suffix += kDigits[bits & 0xF];
    suffix += ".tmp";
    fs::path name = file;
    name += suffix;
    return name;
}

} // namespace

FileBytes readWholeFile(const fs::path &file)
{
    FileBytes result;
    try {
        std::error_code error;
        const fs::file_status status = fs::status(file, error);
        if (status.type() == fs::file_type::not_found)
            return result;
        result.status = FileBytes::Status::Failed;
        if (error || !fs::is_regular_file(status))
            return result;

        std::ifstream in(file, std::ios::binary);
        if (!in)
            return result;
        const auto expected = fs::file_size(file, error);
        if (!error)
            result.bytes.reserve(static_cast<std::size_t>(expected));
        // Read to the end rather than trusting the size, which may change.
        std::string chunk(1 << 16, '\0');
        while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
            result.bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (in.bad())
            return FileBytes { FileBytes::Status::Failed, {} };
        result.status = FileBytes::Status::Read;
    } catch (const std::exception &) {
        // Out of memory for a huge file, or a stream error: unreadable.
        return FileBytes { FileBytes::Status::Failed, {} };
    }
    return result;
}

bool writeAllBytes(std::FILE *file, std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool replaceFileContent(const fs::path &file, std::string_view content, const ContentWriter &writer)
{
    fs::path temporary;
    std::FILE *stream = nullptr;
    // A clash with a leftover name is unlikely; a folder that refuses new
    // files fails every try.
    for (int attempt = 0; attempt < 8 && !stream; ++attempt) {
        temporary = temporaryNameFor(file);
        stream = createNewFile(temporary);
    }
    if (!stream)
        return false;

    std::error_code error;
    bool ok = false;
    try {
        ok = writer(stream, content) && syncFileToDisk(stream);
    } catch (...) {
        // Whatever stopped the writer, the old file must stay.
        ok = false;
    }
    ok = (std::fclose(stream) == 0) && ok;

    if (ok) {
        // The new file takes over the old one's permissions, not the
        // default ones of a fresh file.
        const fs::file_status old = fs::status(file, error);
        if (!error && fs::exists(old))
            fs::permissions(temporary, old.permissions(), error);
        // std::filesystem::rename replaces an existing target on every
        // platform (on Windows too), in one step.
        fs::rename(temporary, file, error);
        ok = !error;
    }
    if (!ok) {
        fs::remove(temporary, error);
        return false;
    }
    syncFolderToDisk(file.parent_path());
    return true;
}

} // namespace velmora
