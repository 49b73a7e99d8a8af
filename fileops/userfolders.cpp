#include "fileops/userfolders.h"

#include <cerrno>
#include <sys/stat.h>

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

int MakeUserFolder(const QByteArray &folder)
{
    const auto make
        = [](const QByteArray &path) { return mkdir(path.constData(), 0700) == 0 || errno == EEXIST ? 0 : errno; };
    for (qsizetype slash = folder.indexOf('/', 1); slash >= 0; slash = folder.indexOf('/', slash + 1))
        if (const int error = make(folder.left(slash)))
            return error;
    return make(folder);
}
