#pragma once

#include "fileops/fileoperations.h"

#include <QByteArray>

#include <optional>

// The freedesktop trash, done on a path's own bytes: Qt's and GIO's trash calls either take a
// QString, which cannot carry every Linux file name, or do not say where the file went, which undo
// needs. Errors are errno values.

// Moves `path` into the trash of its file system: the home trash on the home trash's own file
// system (created with its missing parents, mode 0700), otherwise "$topdir/.Trash/UID" or
// "$topdir/.Trash-UID" with the checks the specification asks for. The file is renamed only when
// it is still `expected` (device and inode, when an inode is given), checked right before the
// rename; ESTALE when it is another file by now. A file that cannot be trashed stays where it is
// and leaves no trace in the trash. `placeInTrash` receives its path in the trash's "files" folder.
int TrashFile(const QByteArray &path, const TFileStamp &expected, QByteArray &placeInTrash);

// The original path the trash recorded for `placeInTrash`, read from its ".trashinfo" file.
std::optional<QByteArray> TrashedFrom(const QByteArray &placeInTrash);

// Removes the trash's record of a file that has left the trash.
void ForgetTrashInfo(const QByteArray &placeInTrash);
