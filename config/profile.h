#pragma once

// Reading and writing single entries of a private-profile (INI) file. Paths
// are file-system paths; sections, keys and values are GBK bytes. The format
// rules are in profile_text.h and profile_text.cpp.

#include "config/file_replace.h"
#include "config/profile_text.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

// The value of the first entry of the key in the first section of the name,
// without surrounding spaces and tabs and cut to kProfileValueLimit bytes.
// Empty when the file, section or key is missing or unreadable, and when an
// argument is empty (the file is then not opened).
std::string readProfileValue(
    const std::filesystem::path &file, std::string_view section, std::string_view key);

// Sets one entry: creates the file if needed, appends a missing section at
// the end of the file and a missing entry at the end of its section,
// replaces an existing entry line whole and changes no other line. The file
// is replaced in one step, so a failure leaves it as it was. False when
// nothing was written: an unusable argument (see isStorableWrite), a file
// that exists but cannot be read or is read-only, or a failed write.
bool writeProfileValue(const std::filesystem::path &file, std::string_view section, std::string_view key,
    std::string_view value);

// The same as one writeProfileValue per write, in order, reading and
// replacing the file once. Writes that are not storable are skipped; false
// only when the file could not be written at all.
bool writeProfileValues(const std::filesystem::path &file, std::span<const ProfileWrite> writes,
    const ContentWriter &writer = writeAllBytes);

} // namespace velmora
