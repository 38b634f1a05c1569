#pragma once
// Writing among entries that someone else may have put in a folder: a new
// file is made exclusively under a fresh name and never through a link, a
// rename replaces only what the user may replace, and a delete removes only
// the file it was meant for. Header-only so that the converter library stays
// loadable alone while the program's save keeps the same rules.

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JpgUtils {

// Which file an entry is, so that a later step can tell it from one put in
// its place meanwhile.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
};

inline FileId fileIdOf(const struct stat& status) { return {status.st_dev, status.st_ino}; }

// Owns a file descriptor and closes it however the scope is left.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Random enough to make collisions with other writers rare; O_EXCL makes
// them harmless.
inline std::string randomTag()
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

// Creates a new file for writing in the folder: `name` itself, or when
// `fresh` is set, prefix + a random tag + suffix, tried until one is free.
// Never opens what is already there, a link included. Returns the
// descriptor, or -1 with errno set.
inline int createExclusive(int folder, std::string& name, bool fresh = false, const std::string& prefix = {},
                           const std::string& suffix = {})
{
    constexpr int kAttempts = 64;
    for (int attempt = 0; attempt < (fresh ? kAttempts : 1); ++attempt) {
        if (fresh)
            name = prefix + randomTag() + suffix;
        // Mode 0666 lets the umask decide, as for any new file.
        const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Whether a rename may put a file at `name`: nothing there, a link (the
// entry is replaced, its target never touched), or a regular file the user
// may write. A folder, device or FIFO, or a file the user may not write, is
// not ours to replace.
inline bool mayReplace(int folder, const char* name)
{
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (S_ISLNK(status.st_mode))
        return true;
    // The effective ids and capabilities decide, as they would for a write.
    return S_ISREG(status.st_mode) && ::faccessat(folder, name, W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
}

// Renames `from` to `to` within the folder where mayReplace allows it.
inline bool renameInto(int folder, const char* from, const char* to)
{
    return mayReplace(folder, to) && ::renameat(folder, from, folder, to) == 0;
}

// Deletes `name` only while it is still the file `id`.
inline bool removeIfSame(int folder, const char* name, FileId id)
{
    struct stat status {};
    return ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && status.st_dev == id.device
        && status.st_ino == id.inode && ::unlinkat(folder, name, 0) == 0;
}

}  // namespace JpgUtils
