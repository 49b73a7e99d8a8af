#include "fileops/fileactions.h"
#include "tests/support/faultyfileoperations.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>

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
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    // A plain file where the trash folder belongs makes the home trash unusable.
    WriteBytes(dir.filePath("Trash"), "");
    qputenv("XDG_DATA_HOME", Raw(dir.path()));
    QTemporaryDir working;
    const QString savedWorking = QDir::currentPath();
    QDir::setCurrent(working.path());
    const int error = DeleteToTrash(Raw(source));
    QDir::setCurrent(savedWorking);
    qputenv("XDG_DATA_HOME", savedDataHome);
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
    const int error = DeleteToTrash(Raw(source));
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

} // namespace
