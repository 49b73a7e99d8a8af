#include "fileactions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

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

enum { kCopyBufferSize = 1 << 20, kTemporaryNameAttempts = 100 };

const QString kMisplacedFilesFolder = QStringLiteral("files");
const QString kMisplacedInfoFolder = QStringLiteral("info");

int RenameNoReplace(const char *source, const char *target)
{
    // Called through syscall() because older C libraries lack the renameat2 wrapper.
    if (syscall(SYS_renameat2, AT_FDCWD, source, AT_FDCWD, target, RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

int WriteAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= written;
    }
    return 0;
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

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray("./") : path.left(slash + 1);
}

// Opens a new file with a name no one else uses in `folder`; returns the descriptor or -errno.
int CreateTemporaryIn(const QByteArray &folder, mode_t mode, QByteArray &name)
{
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        name = folder + ".quorvane-move-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        const int fd = open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd >= 0 ? fd : -errno;
    }
    return -EEXIST;
}

} // namespace

int MoveFileByCopy(const QByteArray &source, const QByteArray &target)
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
    const int to = CreateTemporaryIn(FolderOf(target), info.st_mode & 07777, temporary);
    if (to < 0) {
        close(from);
        return -to;
    }
    int error = CopyContents(from, to);
    if (!error && fsync(to) != 0)
        error = errno;
    if (close(to) != 0 && !error)
        error = errno;
    close(from);
    // link() refuses an existing name, so a file that appeared at the target meanwhile survives.
    if (!error && link(temporary.constData(), target.constData()) != 0)
        error = errno;
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

int MoveFileNoReplace(const QByteArray &source, const QByteArray &target)
{
    const int error = RenameNoReplace(source.constData(), target.constData());
    // EINVAL and ENOSYS: the file system or kernel cannot rename without replacing.
    if (error != EXDEV && error != EINVAL && error != ENOSYS)
        return error;
    return MoveFileByCopy(source, target);
}
