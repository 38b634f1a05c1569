#include "fault_places.h"

#include <QFile>

#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>

namespace faults {

namespace {

bool writeProcFile(const char* path, const QByteArray& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    return ::close(fd) == 0 && ok;
}

constexpr uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool capabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

bool enterPrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const QByteArray uid = QByteArray::number(::geteuid()), gid = QByteArray::number(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        if (!writeProcFile("/proc/self/setgroups", "deny") || !writeProcFile("/proc/self/uid_map", "0 " + uid + " 1")
            || !writeProcFile("/proc/self/gid_map", "0 " + gid + " 1"))
            return false;
    }
    // What is mounted here must never show outside.
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

SmallDisk::SmallDisk(const QString& folder, qint64 bytes) : m_folder(folder)
{
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    m_mounted = ::mount("tavro-small-disk", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                        options.constData())
        == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted && ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH) != 0)
        std::perror("umount of the small disk");
}

PermissionBitsHold::PermissionBitsHold()
{
    __user_cap_data_struct data[2]{};
    if (!capabilities(data) || !(data[0].effective & kOverrides))
        return;
    data[0].effective &= ~kOverrides;
    m_dropped = setCapabilities(data);
}

PermissionBitsHold::~PermissionBitsHold()
{
    __user_cap_data_struct data[2]{};
    if (!m_dropped || !capabilities(data))
        return;
    data[0].effective |= data[0].permitted & kOverrides;
    if (!setCapabilities(data))
        std::perror("restoring the file capabilities");
}

}  // namespace faults
