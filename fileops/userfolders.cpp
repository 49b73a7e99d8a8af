#include "fileops/userfolders.h"

#include <cerrno>
#include <sys/stat.h>

namespace
{

// "$VARIABLE/" when that is an absolute path, as the base directory rules ask, else "~/fallback/".
QByteArray baseFolder(const char *variable, const char *fallback)
{
    QByteArray folder = qgetenv(variable);
    if (!folder.startsWith('/'))
        folder = qgetenv("HOME") + fallback;
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

}

QByteArray UserDataFolder() { return baseFolder("XDG_DATA_HOME", "/.local/share"); }

QByteArray UserCacheFolder() { return baseFolder("XDG_CACHE_HOME", "/.cache"); }

QByteArray HomeTrashFolder() { return UserDataFolder() + "Trash/"; }

int MakeFolders(const QByteArray &folder, int mode)
{
    struct stat info {
    };
    for (qsizetype slash = folder.indexOf('/', 1);; slash = folder.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? folder : folder.left(slash);
        if (!part.isEmpty() && mkdir(part.constData(), mode_t(mode)) != 0 && errno != EEXIST)
            return errno;
        if (slash < 0 || slash == folder.size() - 1)
            break;
    }
    // EEXIST also answers for a file in the way.
    if (stat(folder.constData(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}
