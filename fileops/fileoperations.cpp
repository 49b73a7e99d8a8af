#include "fileops/fileoperations.h"

#include "fileops/fileactions.h"
#include "fileops/freedesktoptrash.h"
#include "fileops/outputfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
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

int TSystemFileOperations::Remove(const QByteArray &path) { return DeletePermanently(path); }

int TSystemFileOperations::MoveToTrash(const QByteArray &path, const TFileStamp &expected, QByteArray &placeInTrash)
{
    return TrashFile(path, expected, placeInTrash);
}

int TSystemFileOperations::MoveNoReplace(const QByteArray &source, const QByteArray &target)
{
    return MoveFileNoReplace(source, target, *this);
}

int TSystemFileOperations::Link(const QByteArray &existing, const QByteArray &newName)
{
    return LinkNoReplace(existing, newName);
}

int TSystemFileOperations::ReplaceFile(const QString &path, const QByteArray &bytes, QString *reason)
{
    return WriteOutputFile(QFile::encodeName(path), bytes, reason);
}

QString SystemErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

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
