#pragma once

#include <QByteArray>

// The user's data folder, "$XDG_DATA_HOME/" (by default "~/.local/share/").
QByteArray UserDataFolder();

// The user's home trash, "$XDG_DATA_HOME/Trash/" (by default "~/.local/share/Trash/").
QByteArray HomeTrashFolder();
