#include "platform/jpgutils/atomic_write.h"

#include "platform/jpgutils/jpgutils.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace JpgUtils {

namespace {

constexpr int kNameAttempts = 64;

// Random enough to make collisions with other writers rare; O_EXCL makes
// them harmless.
std::string randomTag()
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<uint64_t> counter{0};
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        bits = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30)
            ^ (static_cast<uint64_t>(::getpid()) << 16) ^ counter.fetch_add(0x9E3779B97F4A7C15);
    }
    std::string tag;
    for (int i = 0; i < 10; ++i) {
        tag += kAlphabet[bits % (sizeof kAlphabet - 1)];
        bits /= sizeof kAlphabet - 1;
    }
    return tag;
}

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
    // The temporary file must sit in the target's folder: rename() is atomic
    // only within one file system. A hidden, short name never runs into the
    // length limit of a file name, however long the target's is.
    const std::size_t slash = targetPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : targetPath.substr(0, slash + 1);

    std::string tempPath;
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        tempPath = folder + ".jpgutils-" + randomTag() + ".tmp";
        // Mode 0666 lets the umask decide, as for any new file.
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            return JPGUTILS_ERROR_WRITE;
    }
    if (fd < 0)
        return JPGUTILS_ERROR_WRITE;

    bool ok = writeAll(fd, data, size) && syncFile(fd);
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempPath.c_str(), targetPath.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return JPGUTILS_ERROR_WRITE;
    }
    return JPGUTILS_OK;
}

}  // namespace JpgUtils
