#include "engine/base/searchobserver.h"
#include "engine/collect/collection.h"
#include "engine/collect/trashfolders.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

class RecordingObserver : public TSearchObserver
{
public:
    void Pump() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }
    void FilesCountChanged(const QString &caption) override { captions.push_back(caption); }
    bool ScanSubfolders() const override { return scanSubfolders; }
    std::vector<QByteArray> ListedFolders() const override { return listed; }

    std::function<void()> onPump;
    int pumps = 0;
    QStringList captions;
    bool scanSubfolders = true;
    std::vector<QByteArray> listed;
};

// Creates every missing folder of `path` by raw name, so that names which are not valid UTF-8
// can be made too.
void makeFolder(const QByteArray &path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash >= 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0755);
    ::mkdir(path.constData(), 0755);
    struct stat status {
    };
    ASSERT_EQ(::stat(path.constData(), &status), 0) << path.constData();
}

void writeFile(const QByteArray &path, const QByteArray &content = "x")
{
    makeFolder(path.left(path.lastIndexOf('/')));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), std::size_t(content.size())), content.size());
    ::close(fd);
}

TSettings allTypes()
{
    TSettings settings;
    settings.SearchTIFF = true;
    settings.SearchCR2 = true;
    return settings;
}

class Collection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        root = QFile::encodeName(m_dir.path()) + '/';
        ResetCatalogue(catalogue);
        catalogue.SearchStopped = false;
    }

    void collect(const TSettings &settings = TSettings())
    {
        TCollector collector(catalogue, settings, observer);
        collector.CollectFolder(root);
        TrimAfterCollection(catalogue);
    }

    // Catalogue entries as paths below the root, in catalogue order.
    QList<QByteArray> collected() const
    {
        QList<QByteArray> paths;
        for (int32_t k = 0; k <= catalogue.PicturesLast; ++k)
            paths.push_back(FullPath(catalogue, k).mid(root.size()));
        return paths;
    }

    QList<QByteArray> folders() const
    {
        QList<QByteArray> paths;
        for (int32_t i = 0; i <= catalogue.PathsLast; ++i)
            paths.push_back(catalogue.Paths[i].mid(root.size()));
        return paths;
    }

    QTemporaryDir m_dir;
    QByteArray root;
    TCatalogue catalogue;
    RecordingObserver observer;
};

using Paths = QList<QByteArray>;

}

TEST_F(Collection, OrdersByMaskThenNameAndFilesBeforeSubfolders)
{
    writeFile(root + "z.bmp");
    writeFile(root + "b.jpg");
    writeFile(root + "a.png");
    writeFile(root + "c.png");
    writeFile(root + "a.jpg");
    writeFile(root + "readme.txt");
    writeFile(root + "sub/d.gif");
    writeFile(root + "sub/deeper/e.jpg");
    writeFile(root + "aaa/f.bmp");
    makeFolder(root + "dir.jpg");
    makeFolder(root + "nothing/inside");
    collect();

    EXPECT_EQ(collected(),
        (Paths { "z.bmp", "a.jpg", "b.jpg", "a.png", "c.png", "aaa/f.bmp", "sub/d.gif", "sub/deeper/e.jpg" }));
    EXPECT_EQ(folders(), (Paths { "", "aaa/", "sub/", "sub/deeper/" }));
    EXPECT_EQ(catalogue.Pictures[4].PathInd, 0);
    EXPECT_EQ(catalogue.Pictures[5].PathInd, 1);
    EXPECT_EQ(catalogue.Pictures[7].PathInd, 3);
}

TEST_F(Collection, MatchesMasksLikeTheWildcardsAndRecordsEachFileOnce)
{
    writeFile(root + "a.jp.png");
    writeFile(root + "PHOTO.JPEG");
    writeFile(root + "x.tiff");
    writeFile(root + "y.TIF.bak");
    writeFile(root + "raw.Cr2");
    writeFile(root + "a.jpeg.tiff");
    writeFile(root + "jpg");
    collect(allTypes());

    EXPECT_EQ(collected(), (Paths { "PHOTO.JPEG", "a.jp.png", "a.jpeg.tiff", "x.tiff", "y.TIF.bak", "raw.Cr2" }));
}

TEST_F(Collection, NewTypesFollowTheSixInMaskOrderAndCountOnlyWhenSelected)
{
    for (const char *name : { "a.srw", "b.PEF", "c.raf", "d.rw2", "e.orf", "f.dng", "g.arw", "h.nef", "i.cr3", "j.jxl",
             "k.avif", "l.HEIF", "m.heic", "n.webp", "o.cr2", "p.jpg" })
        writeFile(root + name);
    TSettings every = allTypes();
    every.SearchJXL = every.SearchRAW = true;
    collect(every);
    EXPECT_EQ(collected(),
        (Paths { "p.jpg", "o.cr2", "n.webp", "m.heic", "l.HEIF", "k.avif", "j.jxl", "i.cr3", "h.nef", "g.arw", "f.dng",
            "e.orf", "d.rw2", "c.raf", "b.PEF", "a.srw" }));

    // With the four new types off, a folder gives exactly what the six types give.
    ResetCatalogue(catalogue);
    catalogue.SearchStopped = false;
    TSettings sixOnly = allTypes();
    sixOnly.SearchWEBP = sixOnly.SearchHEIF = false;
    collect(sixOnly);
    EXPECT_EQ(collected(), (Paths { "p.jpg", "o.cr2" }));
}

TEST_F(Collection, OnlySelectedTypesAndOnlyTheListedFolderWithoutSubfolders)
{
    writeFile(root + "a.jpg");
    writeFile(root + "b.png");
    writeFile(root + "c.tif");
    writeFile(root + "sub/d.jpg");
    TSettings settings;
    settings.SearchPNG = false;
    observer.scanSubfolders = false;
    collect(settings);

    EXPECT_EQ(collected(), (Paths { "a.jpg" }));
}

TEST_F(Collection, ZeroLengthFilesAndFileLessFoldersGiveNoEntry)
{
    writeFile(root + "empty.jpg", "");
    writeFile(root + "zeros/a.jpg", "");
    writeFile(root + "zeros/b.png", "");
    makeFolder(root + "onlyfolders/x/y");
    writeFile(root + "onlyfolders/x/y/pic.gif");
    collect();

    EXPECT_EQ(collected(), (Paths { "onlyfolders/x/y/pic.gif" }));
    EXPECT_EQ(folders(), (Paths { "onlyfolders/x/y/" }));
}

TEST_F(Collection, RecordsTimeSizeAndAttributesOfTheEntry)
{
    writeFile(root + ".hidden.jpg", "12345");
    writeFile(root + "readonly.jpg", "1");
    ASSERT_EQ(::chmod((root + "readonly.jpg").constData(), 0444), 0);
    // 2021-03-04 05:06:08 local time.
    struct tm local {
    };
    local.tm_year = 2021 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 8;
    local.tm_isdst = -1;
    constexpr long kNanoseconds = 123456789;
    const struct timespec times[2] = { { mktime(&local), 0 }, { mktime(&local), kNanoseconds } };
    ASSERT_EQ(::utimensat(AT_FDCWD, (root + ".hidden.jpg").constData(), times, 0), 0);
    struct stat status {
    };
    ASSERT_EQ(::stat((root + ".hidden.jpg").constData(), &status), 0);
    collect();

    ASSERT_EQ(collected(), (Paths { ".hidden.jpg", "readonly.jpg" }));
    const TPicInfo &hidden = catalogue.Pictures[0];
    EXPECT_EQ(hidden.Size, 5);
    EXPECT_EQ(uint32_t(hidden.Time), (41u << 25 | 3u << 21 | 4u << 16 | 5u << 11 | 6u << 5 | 4u));
    EXPECT_EQ(hidden.Attr, 0x02);
    EXPECT_EQ(hidden.CCVStage, TCCVStage::None);
    EXPECT_EQ(hidden.Device, status.st_dev);
    EXPECT_EQ(hidden.Inode, status.st_ino);
    EXPECT_EQ(hidden.MTimeNs, int64_t(mktime(&local)) * 1'000'000'000 + kNanoseconds);
    const bool rootMayWrite = ::access((root + "readonly.jpg").constData(), W_OK) == 0;
    EXPECT_EQ(catalogue.Pictures[1].Attr, rootMayWrite ? 0 : 0x01);
}

TEST_F(Collection, SkipsTheTrashWithEverythingBelowButWalksFoldersMerelyNamedLikeIt)
{
    const QByteArray dataHome = root + "home/data";
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome);
    writeFile(dataHome + "/Trash/files/gone.jpg");
    writeFile(dataHome + "/Trash/files/deep/gone.png");
    writeFile(root + "old/" + ChooseRecycleFolderName() + "kept.jpg");
    writeFile(root + "old/.Trash/kept.png");
    writeFile(root + "old/Trash/kept.gif");
    collect();
    EXPECT_EQ(collected(),
        (Paths { "old/.Trash/kept.png", "old/" + ChooseRecycleFolderName() + "kept.jpg", "old/Trash/kept.gif" }));

    // A listed folder inside the trash is skipped as well.
    ResetCatalogue(catalogue);
    TCollector collector(catalogue, TSettings(), observer);
    collector.CollectFolder(dataHome + "/Trash/files");
    EXPECT_EQ(catalogue.PicturesLast, -1);
    qputenv("XDG_DATA_HOME", previous);
}

TEST(TrashFolders, OnlyTrashFoldersAtTheMountPointCount)
{
    const QByteArray recycle = ".Trash-1000/";
    const QByteArray home = "/home/ann/.local/share/Trash/";
    EXPECT_TRUE(FolderIsInTrash("/mnt/usb/.Trash-1000/", "/mnt/usb/", recycle, home));
    EXPECT_TRUE(FolderIsInTrash("/mnt/usb/.Trash-1000/files/2020/", "/mnt/usb/", recycle, home));
    EXPECT_TRUE(FolderIsInTrash("/mnt/usb/.Trash/1000/files/", "/mnt/usb/", recycle, home));
    EXPECT_TRUE(FolderIsInTrash("/home/ann/.local/share/Trash/files/", "/", recycle, home));
    EXPECT_FALSE(FolderIsInTrash("/mnt/usb/old/.Trash-1000/", "/mnt/usb/", recycle, home));
    EXPECT_FALSE(FolderIsInTrash("/mnt/usb/.Trash-10000/", "/mnt/usb/", recycle, home));
    EXPECT_FALSE(FolderIsInTrash("/mnt/usb/.Trashcan/", "/mnt/usb/", recycle, home));
    EXPECT_FALSE(FolderIsInTrash("/home/ann/.local/share/Trash2/", "/", recycle, home));
    // Without a recycle name nothing but the other trash folders is excluded.
    EXPECT_FALSE(FolderIsInTrash("/mnt/usb/photos/", "/mnt/usb/", "", home));
    EXPECT_EQ(ChooseRecycleFolderName(), ".Trash-" + QByteArray::number(getuid()) + "/");
}

TEST_F(Collection, FolderLinkLoopsEndAndNoFolderIsCataloguedTwice)
{
    writeFile(root + "a/pic.jpg");
    writeFile(root + "a/sub/inner.jpg");
    ASSERT_EQ(::symlink("..", (root + "a/sub/up").constData()), 0);
    ASSERT_EQ(::symlink("sub", (root + "a/again").constData()), 0);
    ASSERT_EQ(::symlink("missing", (root + "a/dangling.jpg").constData()), 0);
    ASSERT_EQ(::symlink("pic.jpg", (root + "a/link.png").constData()), 0);
    ASSERT_EQ(::mkfifo((root + "a/pipe.jpg").constData(), 0644), 0);
    collect();

    EXPECT_EQ(collected(), (Paths { "a/pic.jpg", "a/link.png", "a/again/inner.jpg" }));

    // Listing the same folder again through a link adds nothing.
    ResetCatalogue(catalogue);
    observer.listed = { root + "a/", root + "a/again/", root + "a/sub/" };
    CollectListedFolders(catalogue, TSettings(), observer);
    EXPECT_EQ(catalogue.PicturesLast, 2);
    EXPECT_EQ(catalogue.PathsLast, 1);
}

TEST_F(Collection, PseudoFileSystemsAreNeverWalkedEvenThroughLinks)
{
    if (::access("/proc/self/cwd", F_OK) != 0)
        GTEST_SKIP() << "no /proc here";
    // A walk into /proc reaches other programs' folders and the whole disk through
    // /proc/PID/root; it is cut short at the first picture or after many folders.
    constexpr int kPumpBudget = 5000;
    observer.onPump = [&] { catalogue.SearchStopped = catalogue.PicturesLast >= 0 || observer.pumps > kPumpBudget; };
    observer.listed = { "/proc/" };
    CollectListedFolders(catalogue, TSettings(), observer);
    EXPECT_FALSE(catalogue.SearchStopped);
    EXPECT_EQ(catalogue.PicturesLast, -1);

    ResetCatalogue(catalogue);
    catalogue.SearchStopped = false;
    observer.pumps = 0;
    writeFile(root + "a.jpg");
    ASSERT_EQ(::symlink("/proc/self/", (root + "proc").constData()), 0);
    observer.onPump = [&] { catalogue.SearchStopped = catalogue.PicturesLast >= 1 || observer.pumps > kPumpBudget; };
    collect();
    EXPECT_FALSE(catalogue.SearchStopped);
    EXPECT_EQ(collected(), (Paths { "a.jpg" }));
}

TEST_F(Collection, UnreadableOrVanishedFoldersContributeNothing)
{
    writeFile(root + "a.jpg");
    writeFile(root + "gone/x.jpg");
    writeFile(root + "locked/y.jpg");
    writeFile(root + "later/z.jpg");
    ASSERT_EQ(::chmod((root + "locked").constData(), 0), 0);
    const bool permissionsDeny = ::access((root + "locked").constData(), R_OK) != 0;
    // The folder disappears after the parent was read but before it is visited.
    observer.onPump = [&] { QDir(QFile::decodeName(root + "gone")).removeRecursively(); };
    collect();
    ::chmod((root + "locked").constData(), 0755);

    if (permissionsDeny)
        EXPECT_EQ(collected(), (Paths { "a.jpg", "later/z.jpg" }));
    else // running as root: permissions do not deny reads
        EXPECT_EQ(collected(), (Paths { "a.jpg", "later/z.jpg", "locked/y.jpg" }));
}

TEST_F(Collection, NamesThatAreNotUtf8RoundTrip)
{
    const QByteArray folder = "caf\xe9/";
    const QByteArray name = "\xff\xfe photo.JPG";
    writeFile(root + folder + name, "latin-1 bytes");
    collect();

    ASSERT_EQ(catalogue.PicturesLast, 0);
    EXPECT_EQ(catalogue.Pictures[0].FileName, name);
    const QByteArray path = FullPath(catalogue, 0);
    EXPECT_EQ(path, root + folder + name);
    const int fd = ::open(path.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char buffer[32] = {};
    EXPECT_EQ(::read(fd, buffer, sizeof buffer), 13);
    ::close(fd);
    EXPECT_STREQ(buffer, "latin-1 bytes");
    // QTemporaryDir cannot remove names it cannot decode.
    ::unlink(path.constData());
    ::rmdir((root + folder).constData());
}

TEST_F(Collection, StopRequestedInsideThePumpRecordsNothingMore)
{
    for (const char *name : { "1.jpg", "2.jpg", "3.jpg", "4.jpg" })
        writeFile(root + name);
    writeFile(root + "sub/5.jpg");
    // Pumps: one for the visit, then one per picture; stop at the third picture's.
    observer.onPump = [&] {
        if (observer.pumps == 4)
            catalogue.SearchStopped = true;
    };
    collect();

    EXPECT_EQ(collected(), (Paths { "1.jpg", "2.jpg" }));
    EXPECT_EQ(observer.pumps, 4);
}

TEST_F(Collection, CaptionEveryTenthPicture)
{
    for (int i = 0; i < 25; ++i)
        writeFile(root + QByteArray::number(100 + i) + ".png");
    collect();

    EXPECT_EQ(catalogue.PicturesLast, 24);
    EXPECT_EQ(observer.captions,
        (QStringList {
            "Total pictures scanned: 0 / 1", "Total pictures scanned: 0 / 11", "Total pictures scanned: 0 / 21" }));
}

TEST_F(Collection, ListedFoldersInsideOthersAreWalkedOnceThroughTheOuter)
{
    writeFile(root + "a/1.jpg");
    writeFile(root + "a/b/2.jpg");
    writeFile(root + "c/3.jpg");
    observer.listed = { root + "a/b/", root + "a/", root + "missing/", root + "c/", root + "a/" };
    CollectListedFolders(catalogue, TSettings(), observer);
    TrimAfterCollection(catalogue);

    EXPECT_EQ(collected(), (Paths { "a/1.jpg", "a/b/2.jpg", "c/3.jpg" }));
}

TEST(ListedFolders, PrefixOnWholeComponentsAndFirstOfEqualEntries)
{
    const std::vector<QByteArray> nested { "/a/", "/a/b/" };
    EXPECT_TRUE(ListedFolderIsWalked(nested, 0));
    EXPECT_FALSE(ListedFolderIsWalked(nested, 1));

    const std::vector<QByteArray> nestedFirst { "/a/b/", "/a/" };
    EXPECT_FALSE(ListedFolderIsWalked(nestedFirst, 0));
    EXPECT_TRUE(ListedFolderIsWalked(nestedFirst, 1));

    const std::vector<QByteArray> substring { "/photos/", "/home/ann/photos/", "/a/", "/ab/" };
    for (std::size_t i = 0; i < substring.size(); ++i)
        EXPECT_TRUE(ListedFolderIsWalked(substring, i)) << i;

    const std::vector<QByteArray> twice { "/a/", "/a/" };
    EXPECT_TRUE(ListedFolderIsWalked(twice, 0));
    EXPECT_FALSE(ListedFolderIsWalked(twice, 1));

    const std::vector<QByteArray> caseOnly { "/A/", "/a/" };
    EXPECT_TRUE(ListedFolderIsWalked(caseOnly, 0));
    EXPECT_TRUE(ListedFolderIsWalked(caseOnly, 1));

    // A later entry, e.g. one dropped during a search, still hides the entries inside it.
    const std::vector<QByteArray> grown { "/a/b/", "/c/", "/a/" };
    EXPECT_FALSE(ListedFolderIsWalked(grown, 0));
    EXPECT_TRUE(ListedFolderIsWalked(grown, 1));
    EXPECT_TRUE(ListedFolderIsWalked(grown, 2));
}
