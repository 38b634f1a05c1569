#include "platform/jpgutils/atomic_write.h"

#include "platform/jpgutils/file_entries.h"
#include "platform/jpgutils/jpgutils.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JpgUtils {

namespace {

bool writeAll(int fd, const uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The data and the file's size must be on disk before the rename makes the
// file visible under its name: the caller deletes its only other copy of the
// page next. fdatasync is enough for that and skips the time stamps.
bool syncFile(int fd)
{
    while (::fdatasync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

}  // namespace

int32_t writeFileAtomically(const std::string& targetPath, const uint8_t* data, std::size_t size)
{
    // The temporary file must sit in the target's folder: a rename is atomic
    // only within one file system. The folder is opened once, so the
    // temporary file and the rename are in the same one even if its path
    // changes meanwhile. A hidden, short name never runs into the length
    // limit of a file name, however long the target's is.
    const std::size_t slash = targetPath.rfind('/');
    const std::string folderPath = slash == std::string::npos ? std::string(".") : targetPath.substr(0, slash + 1);
    const std::string targetName = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    const Descriptor folder(::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || targetName.empty())
        return JPGUTILS_ERROR_WRITE;

    std::string tempName;
    const int fd = createExclusive(folder.get(), tempName, true, ".jpgutils-", ".tmp");
    if (fd < 0)
        return JPGUTILS_ERROR_WRITE;
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0;
    const FileId temp = fileIdOf(status);
    ok = ok && writeAll(fd, data, size) && syncFile(fd);
    ok = ::close(fd) == 0 && ok;
    ok = ok && renameInto(folder.get(), tempName.c_str(), targetName.c_str());
    if (!ok) {
        removeIfSame(folder.get(), tempName.c_str(), temp);
        return JPGUTILS_ERROR_WRITE;
    }
    return JPGUTILS_OK;
}

}  // namespace JpgUtils
