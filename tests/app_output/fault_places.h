#pragma once
// Places a save cannot write to, made for real rather than faked: a small
// disk of its own (a tmpfs in a private mount namespace) and a read-only
// folder that stays read-only for root, whose override of permission bits
// is switched off while a case runs.

#include <QString>

namespace faults {

// Call first in main(), before any thread exists: moves the process into a
// mount namespace of its own (a user namespace too when it is not root).
// Returns false where the system offers neither.
bool enterPrivateMounts();

// A tmpfs of `bytes` (whole pages) at folder, an existing empty folder, until
// the object ends. Only after enterPrivateMounts().
class SmallDisk {
public:
    SmallDisk(const QString& folder, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
};

// While it lives, the calling thread has no CAP_DAC_OVERRIDE and no
// CAP_DAC_READ_SEARCH in its effective set, so permission bits hold for it
// even when it runs as root. Restores them at the end.
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
