#pragma once
// A read-only folder or file that stays read-only for root: while a
// PermissionBitsHold lives, the calling thread has no CAP_DAC_OVERRIDE and no
// CAP_DAC_READ_SEARCH in its effective set, so permission bits hold for it
// even when it runs as root. Restores them at the end.

namespace faults {

class PermissionBitsHold {
public:
    PermissionBitsHold();
    ~PermissionBitsHold();
    PermissionBitsHold(const PermissionBitsHold&) = delete;
    PermissionBitsHold& operator=(const PermissionBitsHold&) = delete;

private:
    bool m_dropped = false;
};

}  // namespace faults
