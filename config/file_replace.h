#pragma once

// Reading a whole file and replacing a file's content in one step, so that a
// failure at any point leaves the old file as it was.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

struct FileBytes {
    enum class Status { Read, Missing, Failed };
    Status status = Status::Missing;
    std::string bytes; // the content when Read
};

// Missing only when nothing exists at the path; Failed for anything that
// exists but cannot be read as a regular file (a folder, no permission, too
// large for memory).
FileBytes readWholeFile(const std::filesystem::path &file);

// Writes the bytes into an open temporary file; false when not all of them
// were written. Tests pass their own to interrupt a save midway.
using ContentWriter = std::function<bool(std::FILE *file, std::string_view bytes)>;

bool writeAllBytes(std::FILE *file, std::string_view bytes);

// Writes the content to a new temporary file in the file's folder, pushes it
// to the disk and renames it over the file. On any failure the temporary
// file is removed, the file stays untouched and the result is false.
bool replaceFileContent(
    const std::filesystem::path &file, std::string_view content, const ContentWriter &writer = writeAllBytes);

} // namespace velmora
