#pragma once

// A fresh folder under the system's temporary folder, removed with
// everything in it at the end of the test; and whole-file helpers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

namespace velmora::test {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 16; ++attempt) {
            m_path = std::filesystem::temp_directory_path()
                / ("velmora-config-" + std::to_string(random()) + std::to_string(random()));
            if (std::filesystem::create_directory(m_path))
                return;
        }
        throw std::runtime_error("no scratch folder");
    }
    ~ScratchFolder()
    {
        std::error_code error;
        // Folders a test made read-only must be writable again to be emptied.
        for (auto it = std::filesystem::recursive_directory_iterator(m_path, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_directory(error))
                std::filesystem::permissions(
                    it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
        }
        std::filesystem::permissions(
            m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
        std::filesystem::remove_all(m_path, error);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

    // Names of everything in the folder, to spot leftover temporary files.
    std::set<std::string> names() const
    {
        std::set<std::string> result;
        for (const auto &entry : std::filesystem::directory_iterator(m_path))
            result.insert(entry.path().filename().string());
        return result;
    }

private:
    std::filesystem::path m_path;
};

inline void writeBytes(const std::filesystem::path &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << file;
}

inline std::string readBytes(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace velmora::test
