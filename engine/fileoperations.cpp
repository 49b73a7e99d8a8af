#include "fileoperations.h"

#include "fileactions.h"

#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>

namespace
{

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;

}

int TSystemFileOperations::Stat(const QByteArray &path, TFileStamp &stamp)
{
    struct stat info {
    };
    if (stat(path.constData(), &info) != 0)
        return errno;
    stamp.Device = info.st_dev;
    stamp.Inode = info.st_ino;
    stamp.Size = info.st_size;
    stamp.MTimeNs = int64_t(info.st_mtim.tv_sec) * kNanosecondsPerSecond + info.st_mtim.tv_nsec;
    stamp.IsFolder = S_ISDIR(info.st_mode);
    return 0;
}

int TSystemFileOperations::ClearReadOnly(const QByteArray &path) { return ::ClearReadOnly(path); }

int TSystemFileOperations::Remove(const QByteArray &path) { return DeletePermanently(path); }

int TSystemFileOperations::MoveToTrash(const QByteArray &path, QByteArray *placeInTrash)
{
    return DeleteToTrash(path, placeInTrash);
}

int TSystemFileOperations::MoveNoReplace(const QByteArray &source, const QByteArray &target)
{
    return MoveFileNoReplace(source, target);
}

int TSystemFileOperations::ReplaceFile(const QString &path, const QByteArray &bytes, QString *reason)
{
    QSaveFile file(path);
    errno = 0;
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (written)
        return 0;
    // QSaveFile reports by text only; the errno of its last failing call is the best code there is.
    const int code = errno != 0 ? errno : EIO;
    if (reason)
        *reason = file.errorString();
    return code;
}

TFileOperations &SystemFileOperations()
{
    static TSystemFileOperations operations;
    return operations;
}

bool FileIsUnchanged(const TFileStamp &current, const TFileStamp &recorded)
{
    const bool sameFile = recorded.Inode == 0 || (current.Device == recorded.Device && current.Inode == recorded.Inode);
    return sameFile && current.Size == recorded.Size && current.MTimeNs == recorded.MTimeNs;
}
