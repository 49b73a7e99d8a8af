#pragma once

#include <QByteArray>

#include <vector>

#include <sys/types.h>

// One file system mounted now, as /proc/self/mountinfo lists it.
struct TMountEntry {
    dev_t Device = 0;
    QByteArray Type;
};

// The mounts of this process's mount namespace; empty when the table cannot be read.
std::vector<TMountEntry> ReadMountTable();
