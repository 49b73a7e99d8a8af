#include "engine/collect/mounttable.h"

#include <QFile>
#include <QList>

#include <algorithm>

#include <sys/sysmacros.h>

std::vector<TMountEntry> ReadMountTable()
{
    std::vector<TMountEntry> entries;
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly))
        return entries;
    // "ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPEROPTIONS"
    for (const QByteArray &line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        const QList<QByteArray> numbers = fields[2].split(':');
        if (numbers.size() != 2)
            continue;
        const auto separator = std::find(fields.begin(), fields.end(), QByteArray("-"));
        const QByteArray type = separator != fields.end() && separator + 1 != fields.end() ? *(separator + 1) : "";
        entries.push_back({ makedev(numbers[0].toUInt(), numbers[1].toUInt()), type });
    }
    return entries;
}
