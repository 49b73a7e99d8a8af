#include "fileops/outputfile.h"

#include "fileops/fileoperations.h"
#include "fileops/temporaryfile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// As the kernel's own limit on links in one path.
enum { kMaxLinkHops = 40 };

constexpr mode_t kNewFileMode = 0666;

// `path` with every symbolic link at its end replaced by the link's target, so that the rename of
// an atomic replace lands on the target and leaves the link in place.
int resolveLinks(QByteArray &path)
{
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {
        };
        if (lstat(path.constData(), &info) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(info.st_mode))
            return 0;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.constData(), target, sizeof target);
        if (length < 0)
            return errno;
        if (length == ssize_t(sizeof target))
            return ENAMETOOLONG;
        const QByteArray link(target, length);
        path = link.startsWith('/') ? link : FolderOf(path) + link;
    }
    return ELOOP;
}

int failure(int error, QString *reason)
{
    if (reason)
        *reason = SystemErrorText(error);
    return error;
}

QString refusalOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket");
    if (S_ISBLK(mode))
        return QStringLiteral("it is a block device");
    return QString();
}

int writeStraightInto(const QByteArray &path, const QByteArray &bytes, QString *reason)
{
    const int fd = open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return failure(errno, reason);
    struct stat info {
    };
    int error = fstat(fd, &info) != 0 ? errno : 0;
    // Something else took the name between the look and the open: never write into a file in place.
    if (!error && !S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode))
        error = EAGAIN;
    if (!error)
        error = WriteAll(fd, bytes.constData(), bytes.size());
    if (close(fd) != 0 && !error)
        error = errno;
    return error ? failure(error, reason) : 0;
}

int replaceAtomically(const QByteArray &path, const struct stat *existing, const QByteArray &bytes, QString *reason)
{
    QByteArray temporary;
    const int fd = CreateTemporaryIn(FolderOf(path), existing ? existing->st_mode & 07777 : kNewFileMode, temporary);
    if (fd < 0)
        return failure(-fd, reason);
    int error = existing && fchmod(fd, existing->st_mode & 07777) != 0 ? errno : 0;
    if (!error)
        error = WriteAll(fd, bytes.constData(), bytes.size());
    if (!error && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error && rename(temporary.constData(), path.constData()) != 0)
        error = errno;
    if (error) {
        unlink(temporary.constData());
        return failure(error, reason);
    }
    return 0;
}

}

QString OutputRefusal(const QByteArray &path)
{
    struct stat info {
    };
    return stat(path.constData(), &info) == 0 ? refusalOf(info.st_mode) : QString();
}

bool IsReadOnlyFile(const QByteArray &path)
{
    struct stat info {
    };
    return stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode)
        && ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.constData(), W_OK) != 0);
}

int WriteOutputFile(const QByteArray &path, const QByteArray &bytes, QString *reason)
{
    QByteArray target = path;
    if (const int error = resolveLinks(target))
        return failure(error, reason);
    struct stat info {
    };
    if (stat(target.constData(), &info) != 0) {
        if (errno != ENOENT)
            return failure(errno, reason);
        return replaceAtomically(target, nullptr, bytes, reason);
    }
    if (const QString refusal = refusalOf(info.st_mode); !refusal.isEmpty()) {
        if (reason)
            *reason = refusal;
        return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    }
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))
        return writeStraightInto(target, bytes, reason);
    if (IsReadOnlyFile(target)) {
        if (reason)
            *reason = QStringLiteral("it is read-only");
        return EACCES;
    }
    return replaceAtomically(target, &info, bytes, reason);
}
