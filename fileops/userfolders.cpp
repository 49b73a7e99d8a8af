#include "fileops/userfolders.h"

QByteArray UserDataFolder()
{
    QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (!dataHome.startsWith('/'))
        dataHome = qgetenv("HOME") + "/.local/share";
    if (!dataHome.endsWith('/'))
        dataHome += '/';
    return dataHome;
}

QByteArray HomeTrashFolder() { return UserDataFolder() + "Trash/"; }
