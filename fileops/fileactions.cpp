#include "fileops/fileactions.h"

#include "fileops/fileoperations.h"
#include "fileops/temporaryfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <vector>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace
{

enum { kCopyBufferSize = 1 << 20 };

int CopyContents(int from, int to)
{
    std::vector<char> buffer(kCopyBufferSize);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        if (const int error = WriteAll(to, buffer.data(), got))
            return error;
    }
}

// The copy keeps when the picture was taken and last read, and who may read it where the target
// file system has modes; set-user and set-group bits are dropped, as the copy belongs to the mover.
int KeepTimesAndMode(int fd, const struct stat &source)
{
    const struct timespec times[2] = { source.st_atim, source.st_mtim };
    if (futimens(fd, times) != 0)
        return errno;
    fchmod(fd, source.st_mode & 0777);
    return 0;
}

} // namespace

int MoveFileByCopy(const QByteArray &source, const QByteArray &target, TFileOperations &operations)
{
    const int from = open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return errno;
    struct stat info {
    };
    if (fstat(from, &info) != 0) {
        const int error = errno;
        close(from);
        return error;
    }
    QByteArray temporary;
    // Private until complete; the mode of the source follows with its times.
    const int to = CreateTemporaryIn(FolderOf(target), S_IRUSR | S_IWUSR, temporary);
    if (to < 0) {
        close(from);
        return -to;
    }
    int error = CopyContents(from, to);
    if (!error)
        error = KeepTimesAndMode(to, info);
    if (!error && fsync(to) != 0)
        error = errno;
    if (close(to) != 0 && !error)
        error = errno;
    close(from);
    bool temporaryLeft = true;
    if (!error) {
        // A link refuses an existing name, so a file that appeared at the target meanwhile survives.
        error = operations.Link(temporary, target);
        if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS) {
            // No hard links here (FAT, exFAT), but a rename that refuses to replace does the same.
            error = RenameNoReplace(temporary, target);
            temporaryLeft = error != 0;
        }
    }
    if (temporaryLeft)
        unlink(temporary.constData());
    if (error)
        return error;
    if (unlink(source.constData()) != 0) {
        // The source must stay the only copy when it cannot be removed.
        error = errno;
        unlink(target.constData());
    }
    return error;
}

int RenameNoReplace(const QByteArray &source, const QByteArray &target)
{
    // Called through syscall() because older C libraries lack the renameat2 wrapper.
    if (syscall(SYS_renameat2, AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

int LinkNoReplace(const QByteArray &existing, const QByteArray &newName)
{
    return link(existing.constData(), newName.constData()) == 0 ? 0 : errno;
}

int DeletePermanently(const QByteArray &path) { return unlink(path.constData()) == 0 ? 0 : errno; }

int MoveFileNoReplace(const QByteArray &source, const QByteArray &target, TFileOperations &operations)
{
    const int error = RenameNoReplace(source, target);
    // EINVAL and ENOSYS: the file system or kernel cannot rename without replacing.
    if (error != EXDEV && error != EINVAL && error != ENOSYS)
        return error;
    return MoveFileByCopy(source, target, operations);
}
