#pragma once

#include <QByteArray>

// The user's data folder, "$XDG_DATA_HOME/" (by default "~/.local/share/").
QByteArray UserDataFolder();

// The user's cache folder, "$XDG_CACHE_HOME/" (by default "~/.cache/").
QByteArray UserCacheFolder();

// The user's home trash, "$XDG_DATA_HOME/Trash/" (by default "~/.local/share/Trash/").
QByteArray HomeTrashFolder();

// Makes `folder` (raw file-name bytes) and its missing parents, each with `mode` less the umask,
// as the freedesktop rules ask of the user's folders (0700). Returns 0, also when it exists
// already, or the errno value of the failing call.
int MakeFolders(const QByteArray &folder, int mode = 0700);
