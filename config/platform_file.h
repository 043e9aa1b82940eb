#pragma once

// The few file operations that the standard library does not offer; one
// source file per platform implements them.

#include <cstdio>
#include <filesystem>

namespace velmora {

// Opens a new file for writing in binary mode; nullptr when the name is
// taken or the file cannot be created.
std::FILE *createNewFile(const std::filesystem::path &file);

// Flushes the stream and asks the system to put the data on the disk.
bool syncFileToDisk(std::FILE *file);

// Asks the system to put a folder's entries (a rename) on the disk; a
// failure only weakens durability and is ignored.
void syncFolderToDisk(const std::filesystem::path &folder);

} // namespace velmora
