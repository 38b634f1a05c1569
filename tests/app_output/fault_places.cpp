#include "fault_places.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace faults {

namespace {

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
