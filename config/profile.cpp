#include "config/profile.h"

#include <algorithm>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

// The file that a replace must change: for a symbolic link its target, so
// that the link stays a link.
fs::path replaceTarget(const fs::path &file)
{
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(file, error)))
        return file;
    fs::path target = fs::canonical(file, error);
    return error ? file : target;
}

bool isReadOnly(const fs::path &file)
{
    std::error_code error;
    const fs::perms perms = fs::status(file, error).permissions();
    return !error && (perms & fs::perms::owner_write) == fs::perms::none;
}

} // namespace

std::string readProfileValue(const fs::path &file, std::string_view section, std::string_view key)
{
    if (file.empty() || section.empty() || key.empty())
        return {};
    const FileBytes content = readWholeFile(file);
    if (content.status != FileBytes::Status::Read)
        return {};
    return findProfileValue(content.bytes, section, key);
}

bool writeProfileValue(
    const fs::path &file, std::string_view section, std::string_view key, std::string_view value)
{
    const ProfileWrite write { section, key, value };
    if (!isStorableWrite(write))
        return false;
    return writeProfileValues(file, std::span(&write, 1));
}

bool writeProfileValues(
    const fs::path &file, std::span<const ProfileWrite> writes, const ContentWriter &writer)
{
    const bool anyStorable = std::any_of(writes.begin(), writes.end(), isStorableWrite);
    if (file.empty() || !anyStorable)
        return false;
    const fs::path target = replaceTarget(file);
    const FileBytes old = readWholeFile(target);
    // A file that exists but cannot be read would lose all its other lines.
    if (old.status == FileBytes::Status::Failed)
        return false;
    const bool exists = old.status == FileBytes::Status::Read;
    // Replacing by rename would get past a read-only mark that an in-place
    // write respects.
    if (exists && isReadOnly(target))
        return false;
    try {
        const std::string updated = applyProfileWrites(old.bytes, writes);
        if (exists && updated == old.bytes)
            return true;
        return replaceFileContent(target, updated, writer);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

} // namespace velmora
