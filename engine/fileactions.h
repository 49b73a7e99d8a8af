#pragma once

#include <QByteArray>

// File operations behind the delete and move buttons. Paths are raw file-name bytes. Every
// function returns 0 on success or the errno value of the failing call.

// Whether a file exists at `path`, a symbolic link counting by its target.
bool PictureFileExists(const QByteArray &path);

// Gives the owner write permission (on a link's target), so that a protected file can go.
int ClearReadOnly(const QByteArray &path);

// Removes the file for good.
int DeletePermanently(const QByteArray &path);

// Moves the file into the freedesktop trash. A file that cannot be trashed stays where it is;
// it is never deleted permanently instead. `placeInTrash`, when given, receives the file's new
// path inside the trash's "files" folder.
int DeleteToTrash(const QByteArray &path, QByteArray *placeInTrash = nullptr);

// Moves `source` to `target` without ever replacing an existing target. Across file systems the
// file is copied under a temporary name in the target folder, flushed, linked into place and only
// then removed at the source; on failure the source is untouched and no partial file remains.
int MoveFileNoReplace(const QByteArray &source, const QByteArray &target);

// The second half of MoveFileNoReplace, for when the file cannot be renamed: copies `source` under
// a temporary name in the target folder, flushes it, links it into place without replacing and
// removes the source. On failure the source is untouched and no partial file remains.
int MoveFileByCopy(const QByteArray &source, const QByteArray &target);
