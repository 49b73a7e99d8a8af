#include "engine/collect/pseudofilesystem.h"

#include "engine/collect/mounttable.h"

#include <algorithm>
#include <array>
#include <set>

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace
{

// The kernel defines these three inside its sources only.
constexpr unsigned long kConfigFsMagic = 0x62656570;
constexpr unsigned long kFuseControlMagic = 0x65735543;
constexpr unsigned long kMessageQueueMagic = 0x19800202;

constexpr std::array<unsigned long, 14> kPseudoTypes { PROC_SUPER_MAGIC, SYSFS_MAGIC, DEVPTS_SUPER_MAGIC,
    CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC, PSTOREFS_MAGIC,
    BPF_FS_MAGIC, kConfigFsMagic, kFuseControlMagic, kMessageQueueMagic, HUGETLBFS_MAGIC };

// The devices of the devtmpfs mounts, from the mount table: devtmpfs reports the type of tmpfs
// (or of ramfs), so only its mount entry tells it apart.
std::set<dev_t> readDevtmpfsDevices()
{
    std::set<dev_t> devices;
    for (const TMountEntry &mount : ReadMountTable())
        if (mount.Type == "devtmpfs")
            devices.insert(mount.Device);
    return devices;
}

bool isDevtmpfs(int folderFd)
{
    static const std::set<dev_t> devices = readDevtmpfsDevices();
    struct stat status {
    };
    return fstat(folderFd, &status) == 0 && devices.count(status.st_dev) > 0;
}

}

bool IsOnPseudoFileSystem(int folderFd)
{
    struct statfs fileSystem {
    };
    if (fstatfs(folderFd, &fileSystem) != 0)
        return false;
    const auto type = static_cast<unsigned long>(fileSystem.f_type);
    if (std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end())
        return true;
    return (type == TMPFS_MAGIC || type == RAMFS_MAGIC) && isDevtmpfs(folderFd);
}
