#include "fileops/fileactions.h"
#include "fileops/freedesktoptrash.h"
#include "tests/support/faultyfileoperations.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QByteArray Raw(const QString &path) { return QFile::encodeName(path); }

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// A folder on another file system: a tmpfs mounted for the test, else /dev/shm when that is one.
class OtherFileSystem
{
public:
    explicit OtherFileSystem(const QString &near, const char *options = "size=8m")
    {
        struct stat nearInfo {
        }, sharedInfo {};
        if (mount("tmpfs", Raw(m_mountPoint.path()).constData(), "tmpfs", 0, options) == 0) {
            m_mounted = true;
            Folder = m_mountPoint.path();
        } else if (stat(Raw(near).constData(), &nearInfo) == 0 && stat("/dev/shm", &sharedInfo) == 0
            && nearInfo.st_dev != sharedInfo.st_dev) {
            m_shared = std::make_unique<QTemporaryDir>("/dev/shm/quorvane-test-XXXXXX");
            Folder = m_shared->path();
        }
    }
    ~OtherFileSystem()
    {
        if (m_mounted)
            umount(Raw(m_mountPoint.path()).constData());
    }
    QString Folder;
    bool Mounted() const { return m_mounted; }

private:
    QTemporaryDir m_mountPoint;
    std::unique_ptr<QTemporaryDir> m_shared;
    bool m_mounted = false;
};

mode_t ModeOf(const QString &path)
{
    struct stat info {
    };
    return stat(Raw(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Times far from now, with nanoseconds, so that a copy stamped with the current time shows.
constexpr struct timespec kReadTime {
    1'000'000'000, 123'456'789
};
constexpr struct timespec kTakenTime {
    900'000'000, 987'654'321
};

void SetTimes(const QString &path)
{
    const struct timespec times[2] = { kReadTime, kTakenTime };
    ASSERT_EQ(utimensat(AT_FDCWD, Raw(path).constData(), times, 0), 0);
}

// Read before the file's bytes, which would change its access time.
void ExpectTimesKept(const QString &path)
{
    struct stat info {
    };
    ASSERT_EQ(stat(Raw(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, kTakenTime.tv_sec);
    EXPECT_EQ(info.st_mtim.tv_nsec, kTakenTime.tv_nsec);
    EXPECT_EQ(info.st_atim.tv_sec, kReadTime.tv_sec);
    EXPECT_EQ(info.st_atim.tv_nsec, kReadTime.tv_nsec);
}

// Writes a file whose name need not be valid UTF-8, which QFile cannot open.
void WriteRaw(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(write(fd, bytes.constData(), bytes.size()), bytes.size());
    close(fd);
}

QByteArray ReadRaw(const QByteArray &path)
{
    QByteArray bytes(4096, '\0');
    const int fd = open(path.constData(), O_RDONLY);
    const ssize_t got = fd < 0 ? -1 : read(fd, bytes.data(), bytes.size());
    if (fd >= 0)
        close(fd);
    return got < 0 ? QByteArray("<missing>") : bytes.left(got);
}

TFileStamp StampOf(const QByteArray &path)
{
    TFileStamp stamp;
    SystemFileOperations().Stat(path, stamp);
    return stamp;
}

// Trashes the file that is at `path` now.
int Trash(const QByteArray &path, QByteArray *place = nullptr)
{
    QByteArray placeInTrash;
    const int error = TrashFile(path, StampOf(path), placeInTrash);
    if (place)
        *place = placeInTrash;
    return error;
}

// Points XDG_DATA_HOME at `folder` while it lives.
class DataHome
{
public:
    explicit DataHome(const QByteArray &folder)
        : m_saved(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", folder);
    }
    ~DataHome() { qputenv("XDG_DATA_HOME", m_saved); }

private:
    QByteArray m_saved;
};

class FileActions : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString source;

    void SetUp() override
    {
        source = dir.filePath("photo.jpg");
        WriteBytes(source, "picture bytes");
    }
};

TEST_F(FileActions, MoveNeverReplacesAnExistingFile)
{
    const QString target = dir.filePath("other.jpg");
    WriteBytes(target, "other bytes");
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(target)), EEXIST);
    EXPECT_EQ(ReadBytes(source), "picture bytes");
    EXPECT_EQ(ReadBytes(target), "other bytes");
    EXPECT_EQ(MoveFileNoReplace(Raw(dir.filePath("missing.jpg")), Raw(dir.filePath("new.jpg"))), ENOENT);
    EXPECT_FALSE(QFile::exists(dir.filePath("new.jpg")));
}

TEST_F(FileActions, MoveAcrossFileSystemsCopiesOrLeavesEverythingAsItWas)
{
    OtherFileSystem other(dir.path());
    if (other.Folder.isEmpty())
        GTEST_SKIP() << "no second file system: mounting a tmpfs was refused and /dev/shm is on the same device";
    const QString target = other.Folder + "/photo.jpg";
    WriteBytes(target, "already there");
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(target)), EEXIST);
    EXPECT_EQ(ReadBytes(source), "picture bytes");
    EXPECT_EQ(ReadBytes(target), "already there");
    EXPECT_EQ(QDir(other.Folder).entryList(QDir::Files | QDir::Hidden), QStringList { "photo.jpg" });

    // Larger than one copy block, read-only, and its mode and times survive the copy.
    const QByteArray large(3 * 1024 * 1024 + 17, 'x');
    WriteBytes(source, large);
    SetTimes(source);
    ASSERT_TRUE(QFile::setPermissions(source, QFileDevice::ReadOwner));
    const QString fresh = other.Folder + "/fresh.jpg";
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(fresh)), 0);
    EXPECT_FALSE(QFile::exists(source));
    ExpectTimesKept(fresh);
    EXPECT_EQ(ReadBytes(fresh), large);
    EXPECT_EQ(QFile::permissions(fresh) & QFileDevice::WriteOwner, 0);
    EXPECT_EQ(QDir(other.Folder).entryList(QDir::Files | QDir::Hidden), (QStringList { "fresh.jpg", "photo.jpg" }));
}

TEST_F(FileActions, CopyWhereLinksAreRefusedIsRenamedIntoPlaceWithoutReplacing)
{
    // As on FAT and exFAT: no hard links.
    TFaultyFileOperations operations;
    operations.Fail(TFileOperation::MoveNoReplace, EXDEV);
    operations.Fail(TFileOperation::Link, EPERM);
    SetTimes(source);
    ASSERT_EQ(chmod(Raw(source).constData(), 0440), 0);
    const QString target = dir.filePath("moved.jpg");
    EXPECT_EQ(operations.MoveNoReplace(Raw(source), Raw(target)), 0);
    EXPECT_EQ(operations.Calls(TFileOperation::Link), 1);
    ExpectTimesKept(target);
    EXPECT_EQ(ModeOf(target), 0440u);
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(ReadBytes(target), "picture bytes");

    WriteBytes(source, "second picture");
    EXPECT_EQ(operations.MoveNoReplace(Raw(source), Raw(target)), EEXIST);
    EXPECT_EQ(ReadBytes(source), "second picture");
    EXPECT_EQ(ReadBytes(target), "picture bytes");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList { "moved.jpg", "photo.jpg" }));
}

TEST_F(FileActions, MoveOntoAFullFileSystemLeavesNoPartialCopy)
{
    OtherFileSystem tiny(dir.path(), "size=64k");
    if (!tiny.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs was refused";
    const QByteArray large(512 * 1024, 'x');
    WriteBytes(source, large);
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(tiny.Folder + "/photo.jpg")), ENOSPC);
    EXPECT_EQ(ReadBytes(source), large);
    EXPECT_TRUE(QDir(tiny.Folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

TEST_F(FileActions, FileThatCannotBeTrashedStaysWhereItWas)
{
    // A plain file where the trash folder belongs makes the home trash unusable.
    WriteBytes(dir.filePath("Trash"), "");
    const DataHome dataHome(Raw(dir.path()));
    QTemporaryDir working;
    const QString savedWorking = QDir::currentPath();
    QDir::setCurrent(working.path());
    const int error = Trash(Raw(source));
    QDir::setCurrent(savedWorking);
    EXPECT_NE(error, 0);
    EXPECT_EQ(ReadBytes(source), "picture bytes");
    EXPECT_TRUE(QDir(working.path()).isEmpty());
}

TEST_F(FileActions, TrashOfAFreshAccountIsCreatedWithItsParents)
{
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    QTemporaryDir home;
    qputenv("HOME", Raw(home.path()));
    qunsetenv("XDG_DATA_HOME");
    const int error = Trash(Raw(source));
    qputenv("HOME", savedHome);
    if (!savedDataHome.isNull())
        qputenv("XDG_DATA_HOME", savedDataHome);
    ASSERT_EQ(error, 0);
    EXPECT_FALSE(QFile::exists(source));
    const QString trash = home.filePath(".local/share/Trash");
    EXPECT_EQ(ReadBytes(trash + "/files/photo.jpg"), "picture bytes");
    EXPECT_TRUE(QFile::exists(trash + "/info/photo.jpg.trashinfo"));
    for (const QString &folder : { home.filePath(".local"), home.filePath(".local/share"), trash })
        EXPECT_EQ(ModeOf(folder), 0700u) << folder.toStdString();
}

TEST_F(FileActions, TrashTakesExactlyTheFileOfTheGivenBytesAndOnlyWhileItIsTheCheckedOne)
{
    const DataHome dataHome(Raw(dir.filePath("data")));
    const QByteArray folder = Raw(dir.path()) + '/';
    // The second name is what a lossy decoding of the first turns into.
    const QByteArray copy = folder + "pic\xff.jpg";
    const QByteArray keeper = folder + "pic\xef\xbf\xbd.jpg";
    WriteRaw(copy, "copy");
    WriteRaw(keeper, "keeper");
    QByteArray place;
    ASSERT_EQ(Trash(copy, &place), 0);
    EXPECT_EQ(ReadRaw(keeper), "keeper");
    EXPECT_EQ(ReadRaw(copy), "<missing>");
    EXPECT_EQ(place, Raw(dir.filePath("data/Trash/files/")) + "pic\xff.jpg");
    EXPECT_EQ(ReadRaw(place), "copy");
    EXPECT_TRUE(ReadRaw(Raw(dir.filePath("data/Trash/info/")) + "pic\xff.jpg.trashinfo")
                    .startsWith("[Trash Info]\nPath=" + copy.toPercentEncoding("/") + "\nDeletionDate="));
    EXPECT_EQ(TrashedFrom(place), copy);

    // A second file of the same name gets a name of its own in the trash.
    WriteRaw(copy, "second copy");
    QByteArray secondPlace;
    ASSERT_EQ(Trash(copy, &secondPlace), 0);
    EXPECT_EQ(secondPlace, Raw(dir.filePath("data/Trash/files/")) + "pic\xff.2.jpg");
    EXPECT_EQ(TrashedFrom(secondPlace), copy);
    EXPECT_EQ(ReadRaw(place), "copy");

    // Another file put under the checked name is not taken for it, and leaves nothing in the trash.
    WriteRaw(copy, "replaced");
    QByteArray unused;
    EXPECT_EQ(TrashFile(copy, StampOf(keeper), unused), ESTALE);
    EXPECT_EQ(ReadRaw(copy), "replaced");
    const std::filesystem::path info = Raw(dir.filePath("data/Trash/info")).toStdString();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(info), {}), 2);
    EXPECT_EQ(Trash(folder + "missing\xfe.jpg"), ENOENT);
    // QTemporaryDir cannot remove names that are not valid UTF-8.
    std::filesystem::remove_all(Raw(dir.path()).toStdString());
}

TEST_F(FileActions, TrashOnAnotherFileSystemIsItsTopFolderTrash)
{
    const DataHome dataHome(Raw(dir.filePath("data")));
    OtherFileSystem other(dir.path());
    if (!other.Mounted())
        GTEST_SKIP() << "mounting a tmpfs was refused";
    const QByteArray top = Raw(other.Folder);
    const QByteArray uid = QByteArray::number(getuid());
    QDir().mkpath(other.Folder + "/album");
    const QByteArray picture = top + "/album/a\nb.jpg";
    const auto trashAndCheck = [&](const QByteArray &trash) {
        WriteRaw(picture, "picture");
        QByteArray place;
        ASSERT_EQ(Trash(picture, &place), 0);
        EXPECT_EQ(place, trash + "/files/a\nb.jpg");
        EXPECT_EQ(ReadRaw(place), "picture");
        EXPECT_EQ(TrashedFrom(place), picture);
        EXPECT_EQ(ModeOf(QFile::decodeName(trash)), 0700u);
        ASSERT_EQ(rename(place.constData(), picture.constData()), 0);
        ASSERT_EQ(unlink((trash + "/info/a\nb.jpg.trashinfo").constData()), 0);
        ASSERT_EQ(unlink(picture.constData()), 0);
    };
    trashAndCheck(top + "/.Trash-" + uid);
    // A shared trash without the sticky bit could be emptied by anyone: not used.
    ASSERT_EQ(mkdir((top + "/.Trash").constData(), 0777), 0);
    trashAndCheck(top + "/.Trash-" + uid);
    ASSERT_EQ(chmod((top + "/.Trash").constData(), 01777), 0);
    trashAndCheck(top + "/.Trash/" + uid);
    EXPECT_FALSE(QFile::exists(dir.filePath("data/Trash/files")));
}

} // namespace
