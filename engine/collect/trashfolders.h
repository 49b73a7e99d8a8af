#pragma once

#include <QByteArray>

// The trash folder name used below every mount point: ".Trash-UID/".
QByteArray ChooseRecycleFolderName();

// The mount point (ending with "/") of the file system that holds `folder`, a full path ending
// with "/". The path is climbed as spelled, so a folder reached through a link answers with the
// link's spelling.
QByteArray MountPointOf(const QByteArray &folder);

// Whether `folder` is a trash folder or lies inside one: "<mountPoint><recycleFolderName>",
// "<mountPoint>.Trash/" or the home trash. Only trash folders at the mount point count; a deeper
// folder merely named ".Trash" is not one. All arguments end with "/".
bool FolderIsInTrash(const QByteArray &folder, const QByteArray &mountPoint, const QByteArray &recycleFolderName,
    const QByteArray &homeTrash);
