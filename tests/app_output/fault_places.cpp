#include "fault_places.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace faults {

namespace {

constexpr uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// capget or capset on the calling thread.
bool capabilities(long call, __user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(call, &header, data) == 0;
}

}  // namespace

PermissionBitsHold::PermissionBitsHold()
{
    __user_cap_data_struct data[2]{};
    if (!capabilities(SYS_capget, data) || !(data[0].effective & kOverrides))
        return;
    data[0].effective &= ~kOverrides;
    m_dropped = capabilities(SYS_capset, data);
}

PermissionBitsHold::~PermissionBitsHold()
{
    __user_cap_data_struct data[2]{};
    if (!m_dropped || !capabilities(SYS_capget, data))
        return;
    data[0].effective |= data[0].permitted & kOverrides;
    if (!capabilities(SYS_capset, data))
        std::perror("restoring the file capabilities");
}

}  // namespace faults
