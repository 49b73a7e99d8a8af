#include "fileactions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>

namespace
{

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray Raw(const QString &path) { return QFile::encodeName(path); }

QStringList FilesIn(const QString &folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

dev_t DeviceOf(const QString &path)
{
    struct stat info {
    };
    stat(Raw(path).constData(), &info);
    return info.st_dev;
}

class FileActions : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString source;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        source = dir.filePath("photo.jpg");
        WriteBytes(source, "picture bytes");
    }
};

// A folder on another file system: a tmpfs mounted for the test, else /dev/shm when that is one.
class OtherFileSystem
{
public:
    explicit OtherFileSystem(const QString &near)
    {
        if (mount("tmpfs", Raw(m_mountPoint.path()).constData(), "tmpfs", 0, "size=8m") == 0) {
            m_mounted = true;
            m_folder = m_mountPoint.path();
        } else if (DeviceOf("/dev/shm") != DeviceOf(near)) {
            m_shared = std::make_unique<QTemporaryDir>("/dev/shm/quorvane-test-XXXXXX");
            m_folder = m_shared->path();
        }
    }
    ~OtherFileSystem()
    {
        if (m_mounted)
            umount(Raw(m_mountPoint.path()).constData());
    }
    QString Folder() const { return m_folder; }

private:
    QTemporaryDir m_mountPoint;
    std::unique_ptr<QTemporaryDir> m_shared;
    bool m_mounted = false;
    QString m_folder;
};

TEST_F(FileActions, PermanentDeleteRemovesTheFileEvenWhenReadOnly)
{
    ASSERT_TRUE(QFile::setPermissions(source, QFileDevice::ReadOwner));
    EXPECT_EQ(ClearReadOnly(Raw(source)), 0);
    EXPECT_TRUE(QFile::permissions(source) & QFileDevice::WriteOwner);
    EXPECT_EQ(DeletePermanently(Raw(source)), 0);
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(DeletePermanently(Raw(source)), ENOENT);
    EXPECT_EQ(ClearReadOnly(Raw(source)), ENOENT);
}

TEST_F(FileActions, ExistenceFollowsLinksAndIgnoresFolders)
{
    const QString link = dir.filePath("link.jpg");
    ASSERT_TRUE(QFile::link(source, link));
    EXPECT_TRUE(PictureFileExists(Raw(link)));
    QFile::remove(source);
    EXPECT_FALSE(PictureFileExists(Raw(link)));
    EXPECT_FALSE(PictureFileExists(Raw(dir.path())));
}

TEST_F(FileActions, TrashKeepsTheFileWithItsInfo)
{
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("data")));
    const int error = DeleteToTrash(Raw(source));
    qputenv("XDG_DATA_HOME", savedDataHome);
    ASSERT_EQ(error, 0);
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(ReadBytes(dir.filePath("data/Trash/files/photo.jpg")), QByteArray("picture bytes"));
    const QByteArray info = ReadBytes(dir.filePath("data/Trash/info/photo.jpg.trashinfo"));
    EXPECT_TRUE(info.contains("[Trash Info]"));
    EXPECT_TRUE(info.contains("Path="));
}

TEST_F(FileActions, FileThatCannotBeTrashedStays)
{
    EXPECT_NE(DeleteToTrash(Raw(dir.filePath("missing.jpg"))), 0);
    EXPECT_TRUE(QFile::exists(source));
}

TEST_F(FileActions, MoveWithinFileSystemKeepsBytesAndMode)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("target"));
    ASSERT_TRUE(QFile::setPermissions(source, QFileDevice::ReadOwner));
    const QString target = dir.filePath("target/photo.jpg");
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(target)), 0);
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(ReadBytes(target), QByteArray("picture bytes"));
    EXPECT_FALSE(QFile::permissions(target) & QFileDevice::WriteOwner);
}

TEST_F(FileActions, MoveNeverReplacesAnExistingFile)
{
    const QString target = dir.filePath("other.jpg");
    WriteBytes(target, "other bytes");
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(target)), EEXIST);
    EXPECT_EQ(ReadBytes(source), QByteArray("picture bytes"));
    EXPECT_EQ(ReadBytes(target), QByteArray("other bytes"));
    EXPECT_EQ(MoveFileNoReplace(Raw(dir.filePath("missing.jpg")), Raw(dir.filePath("new.jpg"))), ENOENT);
    EXPECT_FALSE(QFile::exists(dir.filePath("new.jpg")));
}

TEST_F(FileActions, MoveAcrossFileSystemsCopiesThenRemovesTheSource)
{
    OtherFileSystem other(dir.path());
    if (other.Folder().isEmpty())
        GTEST_SKIP() << "no second file system available (mount refused and /dev/shm on the same device)";
    const QByteArray large(3 * 1024 * 1024 + 17, 'x');
    WriteBytes(source, large);
    const QString target = other.Folder() + "/photo.jpg";
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(target)), 0);
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(ReadBytes(target), large);
    EXPECT_EQ(FilesIn(other.Folder()), QStringList { "photo.jpg" });
}

TEST_F(FileActions, MoveAcrossFileSystemsOntoExistingNameLeavesBothAndNoTemporary)
{
    OtherFileSystem other(dir.path());
    if (other.Folder().isEmpty())
        GTEST_SKIP() << "no second file system available (mount refused and /dev/shm on the same device)";
    const QString target = other.Folder() + "/photo.jpg";
    WriteBytes(target, "already there");
    EXPECT_EQ(MoveFileNoReplace(Raw(source), Raw(target)), EEXIST);
    EXPECT_EQ(ReadBytes(source), QByteArray("picture bytes"));
    EXPECT_EQ(ReadBytes(target), QByteArray("already there"));
    EXPECT_EQ(FilesIn(other.Folder()), QStringList { "photo.jpg" });
}

} // namespace
