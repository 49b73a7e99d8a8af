#pragma once

// Whether the folder open as `folderFd` lies on a file system that the kernel makes up instead
// of storing files: proc, sysfs, devtmpfs, devpts, cgroup and cgroup2, debugfs, tracefs,
// securityfs, pstore, bpf, configfs, fusectl, mqueue or hugetlbfs. Walking one finds no pictures,
// only other programs' folders (/proc/PID/cwd, /proc/PID/root) and kernel objects. Asked of the
// open folder, so that a link into such a file system is caught as well.
bool IsOnPseudoFileSystem(int folderFd);
