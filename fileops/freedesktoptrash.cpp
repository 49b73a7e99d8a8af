#include "fileops/freedesktoptrash.h"

#include "fileops/fileactions.h"
#include "fileops/temporaryfile.h"
#include "fileops/userfolders.h"

#include <QByteArrayList>

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const QByteArray kInfoSuffix = ".trashinfo";
// Enough for any number of equal names a person trashes; a trash that holds more is broken.
constexpr int kNameAttempts = 100000;
// An info file holds one path; anything larger is not one of ours.
constexpr qsizetype kLargestInfoFile = 64 * 1024;

QByteArray absolutePath(const QByteArray &path)
{
    if (path.startsWith('/'))
        return path;
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? QByteArray(buffer) + '/' + path : path;
}

// The folder that holds `path`, without a trailing "/" except for the root itself.
QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// A trash folder of this user that is safe to write into: a real folder (not a link another user
// could point elsewhere) owned by us.
bool isOwnFolder(const QByteArray &folder)
{
    struct stat info {
    };
    return lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid();
}

// Makes `trash` (without trailing "/") and its "files" and "info" folders; the trash with "/".
std::optional<QByteArray> readyTrash(const QByteArray &trash, dev_t device)
{
    if (MakeFolders(trash) != 0 || !isOwnFolder(trash))
        return std::nullopt;
    struct stat info {
    };
    if (stat(trash.constData(), &info) != 0 || info.st_dev != device)
        return std::nullopt;
    if (MakeFolders(trash + "/files") != 0 || MakeFolders(trash + "/info") != 0)
        return std::nullopt;
    return trash + '/';
}

// The device of `path`, or of the nearest folder above it that exists.
dev_t deviceOfNearest(QByteArray path)
{
    struct stat info {
    };
    while (stat(path.constData(), &info) != 0 && path != "/")
        path = parentOf(path);
    return info.st_dev;
}

// The highest folder above `path` still on `device`: the top of its mount as far as the path shows.
QByteArray topFolderOf(const QByteArray &path, dev_t device)
{
    QByteArray top = parentOf(path);
    while (top != "/") {
        const QByteArray above = parentOf(top);
        struct stat info {
        };
        if (stat(above.constData(), &info) != 0 || info.st_dev != device)
            break;
        top = above;
    }
    return top;
}

// The trash folder (ending with "/") for a file on `device` at the absolute `path`, or an errno.
int trashFor(const QByteArray &path, dev_t device, QByteArray &trash)
{
    const QByteArray home = HomeTrashFolder().chopped(1);
    if (home.startsWith('/') && deviceOfNearest(home) == device) {
        // Made with its parents when first needed, as the specification asks.
        for (const char *folder : { "/files", "/info" })
            if (const int error = MakeFolders(home + folder))
                return error;
        trash = home + '/';
        return 0;
    }
    const QByteArray top = topFolderOf(path, device);
    const QByteArray root = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(uint(getuid()));
    struct stat shared {
    };
    // A shared ".Trash" is used only when it is a real folder with the sticky bit, so that no user
    // can remove or replace another's trash inside it.
    const QByteArray sharedTrash = root + "/.Trash";
    if (lstat(sharedTrash.constData(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)) {
        if (const auto ready = readyTrash(sharedTrash + '/' + uid, device)) {
            trash = *ready;
            return 0;
        }
    }
    if (const auto ready = readyTrash(root + "/.Trash-" + uid, device)) {
        trash = *ready;
        return 0;
    }
    return EXDEV;
}

// "NAME", then "STEM.2.EXT", "STEM.3.EXT" ..., short enough that "NAME.trashinfo" is a valid name.
QByteArray nameInTrash(const QByteArray &original, int attempt)
{
    const qsizetype dot = original.lastIndexOf('.');
    const bool hasExtension = dot > 0 && original.size() - dot <= 16;
    QByteArray stem = hasExtension ? original.left(dot) : original;
    const QByteArray extension = hasExtension ? original.mid(dot) : QByteArray();
    const QByteArray number = attempt == 1 ? QByteArray() : '.' + QByteArray::number(attempt);
    const qsizetype room = NAME_MAX - kInfoSuffix.size() - number.size() - extension.size();
    if (stem.size() > room) {
        stem.truncate(room);
        // Not in the middle of a UTF-8 sequence, so that the name still reads as the original.
        while (!stem.isEmpty() && (uchar(stem.back()) & 0xC0) == 0x80)
            stem.chop(1);
        if (!stem.isEmpty() && uchar(stem.back()) >= 0xC0)
            stem.chop(1);
    }
    return stem + number + extension;
}

QByteArray trashInfo(const QByteArray &path)
{
    const time_t now = time(nullptr);
    struct tm local {
    };
    localtime_r(&now, &local);
    char date[32];
    strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + path.toPercentEncoding("/") + "\nDeletionDate=" + date + '\n';
}

// Whether the file at `path` is still `expected`: ESTALE when another file took its name.
int checkIdentity(const QByteArray &path, const TFileStamp &expected)
{
    struct stat info {
    };
    if (stat(path.constData(), &info) != 0)
        return errno;
    if (expected.Inode != 0 && (info.st_dev != expected.Device || info.st_ino != expected.Inode))
        return ESTALE;
    return 0;
}

// Renames without replacing; where the file system cannot, a link (which never replaces) and
// the removal of the old name do the same.
int renameIntoTrash(const QByteArray &path, const QByteArray &place)
{
    const int error = RenameNoReplace(path, place);
    if (error != EINVAL && error != ENOSYS)
        return error;
    if (const int linkError = LinkNoReplace(path, place))
        return linkError;
    if (unlink(path.constData()) != 0) {
        const int unlinkError = errno;
        unlink(place.constData());
        return unlinkError;
    }
    return 0;
}

QByteArray infoFileOf(const QByteArray &placeInTrash)
{
    const qsizetype slash = placeInTrash.lastIndexOf('/');
    const QByteArray trash = parentOf(placeInTrash.left(slash));
    return trash + "/info/" + placeInTrash.mid(slash + 1) + kInfoSuffix;
}

} // namespace

int TrashFile(const QByteArray &path, const TFileStamp &expected, QByteArray &placeInTrash)
{
    const QByteArray absolute = absolutePath(path);
    struct stat file {
    };
    if (lstat(absolute.constData(), &file) != 0)
        return errno;
    QByteArray trash;
    if (const int error = trashFor(absolute, file.st_dev, trash))
        return error;
    const QByteArray original = absolute.mid(absolute.lastIndexOf('/') + 1);
    const QByteArray info = trashInfo(absolute);
    for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
        const QByteArray name = nameInTrash(original, attempt);
        // Creating the info file first claims the name, as the specification asks.
        const QByteArray infoFile = trash + "info/" + name + kInfoSuffix;
        const int fd = open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = WriteAll(fd, info.constData(), info.size());
        if (!error && fsync(fd) != 0)
            error = errno;
        if (close(fd) != 0 && !error)
            error = errno;
        const QByteArray place = trash + "files/" + name;
        if (!error)
            error = checkIdentity(absolute, expected);
        if (!error)
            error = renameIntoTrash(absolute, place);
        if (error == 0) {
            placeInTrash = place;
            return 0;
        }
        unlink(infoFile.constData());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

std::optional<QByteArray> TrashedFrom(const QByteArray &placeInTrash)
{
    const QByteArray infoFile = infoFileOf(placeInTrash);
    const int fd = open(infoFile.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray content(kLargestInfoFile, '\0');
    const ssize_t got = read(fd, content.data(), content.size());
    close(fd);
    if (got <= 0 || got == kLargestInfoFile)
        return std::nullopt;
    content.truncate(got);
    for (const QByteArray &line : content.split('\n')) {
        if (!line.startsWith("Path="))
            continue;
        const QByteArray path = QByteArray::fromPercentEncoding(line.mid(5).trimmed());
        if (path.startsWith('/'))
            return path;
        // Relative to the folder that holds the trash: $topdir for "$topdir/.Trash/UID" and
        // "$topdir/.Trash-UID", $XDG_DATA_HOME for the home trash.
        const QByteArray trash = parentOf(parentOf(infoFile));
        QByteArray base = parentOf(trash);
        if (base.endsWith("/.Trash"))
            base = parentOf(base);
        return (base == "/" ? QByteArray() : base) + '/' + path;
    }
    return std::nullopt;
}

void ForgetTrashInfo(const QByteArray &placeInTrash) { unlink(infoFileOf(placeInTrash).constData()); }
