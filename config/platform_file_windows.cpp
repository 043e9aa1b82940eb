#include "config/platform_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace velmora {

std::FILE *createNewFile(const std::filesystem::path &file)
{
    const int fd = ::_wopen(
        file.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE *stream = ::_fdopen(fd, "wb");
    if (!stream)
        ::_close(fd);
    return stream;
}

bool syncFileToDisk(std::FILE *file)
{
    return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
}

void syncFolderToDisk(const std::filesystem::path &)
{
    // The rename is made durable by the file system's own journal here.
}

} // namespace velmora
