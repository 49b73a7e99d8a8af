#include "fileops/outputfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <future>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

// Minor numbers of the kernel's memory devices (major 1) that the nodes made here stand for.
enum { kMemoryMajor = 1, kNullMinor = 3, kFullMinor = 7 };

QByteArray contentOf(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

mode_t typeOf(const QByteArray &path)
{
    struct stat info {
    };
    return lstat(path.constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

QByteArray readPipeToEnd(const QByteArray &path)
{
    const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
    QByteArray content;
    char buffer[256];
    for (ssize_t got; fd >= 0 && (got = read(fd, buffer, sizeof buffer)) > 0;)
        content.append(buffer, got);
    if (fd >= 0)
        close(fd);
    return content;
}

// A node for memory device `minor` made in a test folder; false where nodes cannot be made or
// opened there (no privilege, a file system mounted without devices).
bool makeMemoryDeviceNode(const QByteArray &path, unsigned minor)
{
    if (mknod(path.constData(), S_IFCHR | 0600, makedev(kMemoryMajor, minor)) != 0)
        return false;
    const int fd = open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

class OutputFile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QByteArray path(const QByteArray &name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }
    // Counted by the system's own listing, which also sees names that are not UTF-8.
    qsizetype entryCount() const
    {
        DIR *folder = opendir(QFile::encodeName(m_dir.path()).constData());
        qsizetype count = 0;
        while (const dirent *entry = folder ? readdir(folder) : nullptr)
            count += std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0;
        if (folder)
            closedir(folder);
        return count;
    }

    QTemporaryDir m_dir;
};

}

TEST_F(OutputFile, FilesAndNewNamesAreReplacedAtTheEndOfTheirLinks)
{
    QFile old(QFile::decodeName(path("real.csv")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old list");
    old.close();
    ASSERT_EQ(chmod(path("real.csv").constData(), 0640), 0);
    ASSERT_EQ(symlink("real.csv", path("link.csv").constData()), 0);
    ASSERT_EQ(symlink("made.csv", path("dangling.csv").constData()), 0);

    EXPECT_EQ(WriteOutputFile(path("link.csv"), "new list", nullptr), 0);
    EXPECT_EQ(typeOf(path("link.csv")), S_IFLNK);
    EXPECT_EQ(contentOf(path("real.csv")), "new list");
    struct stat info {
    };
    ASSERT_EQ(stat(path("real.csv").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    EXPECT_EQ(WriteOutputFile(path("dangling.csv"), "made", nullptr), 0);
    EXPECT_EQ(typeOf(path("dangling.csv")), S_IFLNK);
    EXPECT_EQ(contentOf(path("made.csv")), "made");

    EXPECT_EQ(WriteOutputFile(path("p\xff.csv"), "bytes", nullptr), 0);
    EXPECT_EQ(typeOf(path("p\xff.csv")), S_IFREG);
    // No temporary file is left behind.
    EXPECT_EQ(entryCount(), 5);
}

TEST_F(OutputFile, PipeIsWrittenIntoAndStaysAPipe)
{
    ASSERT_EQ(mkfifo(path("pipe").constData(), 0600), 0);
    std::future<QByteArray> reader = std::async(std::launch::async, readPipeToEnd, path("pipe"));
    EXPECT_EQ(WriteOutputFile(path("pipe"), "a\tb\t100.000000\n", nullptr), 0);
    EXPECT_EQ(reader.get(), "a\tb\t100.000000\n");
    EXPECT_EQ(typeOf(path("pipe")), S_IFIFO);
    EXPECT_EQ(entryCount(), 1);
}

TEST_F(OutputFile, CharacterDeviceIsWrittenIntoAndAFullOneFails)
{
    if (!makeMemoryDeviceNode(path("null"), kNullMinor) || !makeMemoryDeviceNode(path("full"), kFullMinor))
        GTEST_SKIP() << "device nodes cannot be made or opened here";
    EXPECT_EQ(WriteOutputFile(path("null"), "list", nullptr), 0);
    EXPECT_EQ(typeOf(path("null")), S_IFCHR);
    QString reason;
    EXPECT_EQ(WriteOutputFile(path("full"), "list", &reason), ENOSPC);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(typeOf(path("full")), S_IFCHR);
    EXPECT_EQ(entryCount(), 2);
}

TEST_F(OutputFile, FolderSocketBlockDeviceAndReadOnlyFileAreRefusedUntouched)
{
    QFile readOnly(QFile::decodeName(path("protected.csv")));
    ASSERT_TRUE(readOnly.open(QIODevice::WriteOnly) && readOnly.write("old") == 3);
    readOnly.close();
    ASSERT_EQ(chmod(path("protected.csv").constData(), 0444), 0);
    QString why;
    EXPECT_EQ(WriteOutputFile(path("protected.csv"), "list", &why), EACCES);
    EXPECT_EQ(why, "it is read-only");
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly));
    EXPECT_EQ(readOnly.readAll(), "old");
    ASSERT_EQ(unlink(path("protected.csv").constData()), 0);

    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path("socket").size()), sizeof address.sun_path);
    std::strcpy(address.sun_path, path("socket").constData());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    std::vector<QByteArray> refused { "folder", "socket" };
    // A loop device number that is never opened: the refusal comes before any open.
    if (mknod(path("block").constData(), S_IFBLK | 0600, makedev(7, 255)) == 0)
        refused.push_back("block");
    for (const QByteArray &name : refused) {
        const mode_t type = typeOf(path(name));
        QString reason;
        EXPECT_NE(WriteOutputFile(path(name), "list", &reason), 0) << name.constData();
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_FALSE(OutputRefusal(path(name)).isEmpty());
        EXPECT_EQ(typeOf(path(name)), type);
    }
    close(listener);
    EXPECT_TRUE(QDir(m_dir.filePath(QStringLiteral("folder"))).isEmpty());
    EXPECT_EQ(qsizetype(refused.size()), entryCount());
    EXPECT_TRUE(OutputRefusal(path("new.csv")).isEmpty());
}
