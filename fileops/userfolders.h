#pragma once

#include <QByteArray>

// The user's data folder, "$XDG_DATA_HOME/" (by default "~/.local/share/").
QByteArray UserDataFolder();

// The user's home trash, "$XDG_DATA_HOME/Trash/" (by default "~/.local/share/Trash/").
QByteArray HomeTrashFolder();

// Makes `folder` (raw bytes, absolute) and its missing parents, each private to the user (mode
// 0700), as the freedesktop specifications ask of folders made for the user; 0 or errno.
int MakeUserFolder(const QByteArray &folder);
