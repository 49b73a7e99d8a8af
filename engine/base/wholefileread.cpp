#include "engine/base/wholefileread.h"

#include "engine/base/decodinglimits.h"

#include <algorithm>

namespace
{

// Below this, the allocator reuses freed memory by itself; above the second, a file is rare enough
// not to hold its memory for the next one.
constexpr qint64 kKeptFromBytes = 8LL * 1024 * 1024;
constexpr qint64 kKeptUpToBytes = 128LL * 1024 * 1024;

// Reads into `target` from its start to the end of `file`, growing it as the file turns out longer.
TWholeFileRead readInto(QFile &file, QByteArray &target)
{
    qint64 filled = 0;
    for (;;) {
        if (filled == target.size()) {
            if (filled > kMaxWholeFileBytes)
                return TWholeFileRead::TooLarge;
            target.resize(std::min(2 * filled, kMaxWholeFileBytes + 1));
        }
        const qint64 got = file.read(target.data() + filled, target.size() - filled);
        if (got < 0)
            return TWholeFileRead::Failed;
        if (got == 0)
            break;
        filled += got;
    }
    target.truncate(filled);
    return TWholeFileRead::Read;
}

}

TWholeFileRead ReadWholeFile(QFile &file, QByteArray &bytes)
{
    const qint64 expected = file.size();
    if (expected > kMaxWholeFileBytes)
        return TWholeFileRead::TooLarge;
    // The caller's bytes may share the kept memory from the previous file.
    bytes.clear();
    thread_local QByteArray kept;
    QByteArray fresh;
    const bool keeps = expected >= kKeptFromBytes && expected <= kKeptUpToBytes;
    QByteArray &target = keeps ? kept : fresh;
    // One byte beyond the expected size tells a file that grew since.
    const qint64 room = expected + 1;
    if (!target.isDetached() || target.capacity() < room)
        target = QByteArray(room, Qt::Uninitialized);
    else
        target.resize(room);
    const TWholeFileRead result = readInto(file, target);
    if (result == TWholeFileRead::Read)
        bytes = target;
    return result;
}
