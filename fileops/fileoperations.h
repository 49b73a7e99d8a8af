#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <sys/types.h>

// What a file is and when it last changed, as read by stat with links followed.
struct TFileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    int64_t Size = 0;
    // Modification time in nanoseconds since the epoch.
    int64_t MTimeNs = 0;
    bool IsFolder = false;
};

// Every file-system call that changes or replaces a user's file: the delete and move buttons, the
// list export and the settings file. Paths of pictures are raw file-name bytes. Each call returns 0
// or the errno value of the failing call. The window holds one instance, so that tests can put one
// in its place that fails on demand.
class TFileOperations
{
public:
    virtual ~TFileOperations() = default;

    // Status of `path`, links followed.
    virtual int Stat(const QByteArray &path, TFileStamp &stamp) = 0;
    // Removes the file for good.
    virtual int Remove(const QByteArray &path) = 0;
    // Moves the file into the freedesktop trash if it is still `expected` (device and inode), else
    // ESTALE; a file that cannot be trashed stays where it is. `placeInTrash` receives its path
    // inside the trash's "files" folder.
    virtual int MoveToTrash(const QByteArray &path, const TFileStamp &expected, QByteArray &placeInTrash) = 0;
    // Moves `source` to `target`, never replacing an existing target; on failure the source is
    // untouched and no partial target remains.
    virtual int MoveNoReplace(const QByteArray &source, const QByteArray &target) = 0;
    // Gives the file `existing` the further name `newName` (a hard link), never replacing a file
    // there; a moved copy is put into place this way.
    virtual int Link(const QByteArray &existing, const QByteArray &newName) = 0;
    // Replaces the whole content of `path` with `bytes` as WriteOutputFile does: a regular file
    // through a temporary file in the same folder that is renamed into place, so an old file
    // survives any failure; a FIFO or character device by writing into it; a folder, socket or
    // block device not at all. On failure `reason` (when given) says what went wrong.
    virtual int ReplaceFile(const QString &path, const QByteArray &bytes, QString *reason) = 0;
};

// The operations on the real file system.
class TSystemFileOperations : public TFileOperations
{
public:
    int Stat(const QByteArray &path, TFileStamp &stamp) override;
    int Remove(const QByteArray &path) override;
    int MoveToTrash(const QByteArray &path, const TFileStamp &expected, QByteArray &placeInTrash) override;
    int MoveNoReplace(const QByteArray &source, const QByteArray &target) override;
    int Link(const QByteArray &existing, const QByteArray &newName) override;
    int ReplaceFile(const QString &path, const QByteArray &bytes, QString *reason) override;
};

// The system's text for an errno value, such as "No such file or directory".
QString SystemErrorText(int error);

// A shared instance for callers that are given none.
TFileOperations &SystemFileOperations();

// Whether `current` is still the file `recorded` describes: the same size and modification time
// and, when an inode was recorded, the same device and inode, so that a file put in its place
// under the same name is not taken for it.
bool FileIsUnchanged(const TFileStamp &current, const TFileStamp &recorded);
