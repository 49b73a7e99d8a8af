#pragma once

#include "fileops/fileoperations.h"

#include <QByteArray>

// The system calls behind TSystemFileOperations, private to fileops (and its tests): everyone
// else acts on files through a TFileOperations, so that one can fail on demand in tests. Paths
// are raw file-name bytes. Every function returns 0 on success or the errno value of the failing
// call.

// Removes the file for good.
int DeletePermanently(const QByteArray &path);

// Moves `source` to `target` without ever replacing an existing target. Across file systems the
// file is copied under a temporary name in the target folder with its modification and access
// times (and its mode where the target keeps modes), flushed, put into place through
// `operations.Link` (where links are refused as unsupported, by a rename that does not replace)
// and only then removed at the source; on failure the source is untouched and no partial file
// remains.
int MoveFileNoReplace(
    const QByteArray &source, const QByteArray &target, TFileOperations &operations = SystemFileOperations());

// The second half of MoveFileNoReplace, for when the file cannot be renamed.
int MoveFileByCopy(const QByteArray &source, const QByteArray &target, TFileOperations &operations);

// Renames `source` to `target` unless a file is there (EEXIST); EINVAL or ENOSYS where the file
// system or kernel cannot rename without replacing.
int RenameNoReplace(const QByteArray &source, const QByteArray &target);

// Gives the file `existing` the further name `newName` (a hard link); a name that exists is
// never replaced (EEXIST). File systems without hard links, such as FAT and exFAT, refuse (EPERM).
int LinkNoReplace(const QByteArray &existing, const QByteArray &newName);
