#include "fileops/fileactions.h"

#include "fileops/fileoperations.h"
#include "fileops/temporaryfile.h"
#include "fileops/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

const QString kMisplacedFilesFolder = QStringLiteral("files");
const QString kMisplacedInfoFolder = QStringLiteral("info");

int RenameNoReplace(const char *source, const char *target)
{
    // Called through syscall() because older C libraries lack the renameat2 wrapper.
    if (syscall(SYS_renameat2, AT_FDCWD, source, AT_FDCWD, target, RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

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

// Qt gives up when the folder that holds the home trash is missing, as on a fresh account; the
// freedesktop trash rules have the trash made when it is first needed.
void CreateHomeTrash()
{
    const QByteArray trash = HomeTrashFolder().chopped(1);
    if (!trash.startsWith('/'))
        return;
    for (qsizetype slash = trash.indexOf('/', 1);; slash = trash.indexOf('/', slash + 1)) {
        // A folder that cannot be made shows in Qt's own attempt, which then reports it.
        if (mkdir((slash < 0 ? trash : trash.left(slash)).constData(), 0700) != 0 && errno != EEXIST)
            return;
        if (slash < 0)
            return;
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
            error = RenameNoReplace(temporary.constData(), target.constData());
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

int LinkNoReplace(const QByteArray &existing, const QByteArray &newName)
{
    return link(existing.constData(), newName.constData()) == 0 ? 0 : errno;
}

bool PictureFileExists(const QByteArray &path)
{
    struct stat info {
    };
    return stat(path.constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

int ClearReadOnly(const QByteArray &path)
{
    struct stat info {
    };
    if (stat(path.constData(), &info) != 0)
        return errno;
    if (info.st_mode & S_IWUSR)
        return 0;
    return chmod(path.constData(), (info.st_mode & 07777) | S_IWUSR) == 0 ? 0 : errno;
}

int DeletePermanently(const QByteArray &path) { return unlink(path.constData()) == 0 ? 0 : errno; }

int DeleteToTrash(const QByteArray &path, QByteArray *placeInTrash)
{
    const bool hadFilesFolder = QFileInfo::exists(kMisplacedFilesFolder);
    const bool hadInfoFolder = QFileInfo::exists(kMisplacedInfoFolder);
    CreateHomeTrash();
    QString inTrash;
    errno = 0;
    if (!QFile::moveToTrash(QFile::decodeName(path), &inTrash))
        return errno != 0 ? errno : EIO;
    if (QFileInfo(inTrash).isAbsolute()) {
        if (placeInTrash)
            *placeInTrash = QFile::encodeName(inTrash);
        return 0;
    }
    // When no trash folder can be set up, Qt reports success after moving the file into "files"
    // and "info" below the working folder. Put it back: it was not trashed.
    const QString name = QFileInfo(inTrash).fileName();
    const int error = RenameNoReplace(QFile::encodeName(inTrash).constData(), path.constData());
    QFile::remove(QStringLiteral("%1/%2.trashinfo").arg(kMisplacedInfoFolder, name));
    if (!hadFilesFolder)
        QDir().rmdir(kMisplacedFilesFolder);
    if (!hadInfoFolder)
        QDir().rmdir(kMisplacedInfoFolder);
    return error != 0 ? error : EIO;
}

int MoveFileNoReplace(const QByteArray &source, const QByteArray &target, TFileOperations &operations)
{
    const int error = RenameNoReplace(source.constData(), target.constData());
    // EINVAL and ENOSYS: the file system or kernel cannot rename without replacing.
    if (error != EXDEV && error != EINVAL && error != ENOSYS)
        return error;
    return MoveFileByCopy(source, target, operations);
}
