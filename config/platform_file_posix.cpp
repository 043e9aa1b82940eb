#include "config/platform_file.h"

#include <fcntl.h>
#include <unistd.h>

namespace velmora {

std::FILE *createNewFile(const std::filesystem::path &file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE *stream = ::fdopen(fd, "wb");
    if (!stream)
        ::close(fd);
    return stream;
}

bool syncFileToDisk(std::FILE *file)
{
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

void syncFolderToDisk(const std::filesystem::path &folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace velmora
