#include "engine/base/searchobserver.h"
#include "engine/collect/collection.h"
#include "engine/compare/processing.h"
#include "engine/search.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

struct ListedFoldersObserver : TListedFoldersObserver {
    std::vector<std::pair<QByteArray, QString>> skipped;
    void FolderSkipped(const QByteArray &path, const QString &reason) override { skipped.emplace_back(path, reason); }
};

QByteArray Raw(const QString &path) { return QFile::encodeName(path); }

QByteArray Folder(const QString &path) { return Raw(path) + '/'; }

// Runs a whole search and returns the catalogue it leaves.
TCatalogue Search(const std::vector<QByteArray> &folders, bool useIndex = true)
{
    TCatalogue catalogue;
    ListedFoldersObserver observer;
    observer.folders = folders;
    catalogue.SearchStopped = false;
    TProcessingOptions options;
    options.UseIndex = useIndex;
    RunSearchSteps(catalogue, TSettings {}, observer, options);
    return catalogue;
}

std::vector<std::pair<QByteArray, QByteArray>> PairedPaths(const TCatalogue &catalogue)
{
    std::vector<std::pair<QByteArray, QByteArray>> paths;
    for (int32_t p = 0; p <= catalogue.PairsLast; ++p) {
        const TPicturePair &pair = catalogue.Pairs[p];
        paths.emplace_back(FullPath(catalogue, pair.PicIndex1), FullPath(catalogue, pair.PicIndex2));
    }
    return paths;
}

void ExpectNoFilePairedWithItself(const TCatalogue &catalogue)
{
    for (int32_t p = 0; p <= catalogue.PairsLast; ++p) {
        const TPicInfo &first = catalogue.Pictures[catalogue.Pairs[p].PicIndex1];
        const TPicInfo &second = catalogue.Pictures[catalogue.Pairs[p].PicIndex2];
        EXPECT_FALSE(first.Device == second.Device && first.Inode == second.Inode)
            << FullPath(catalogue, catalogue.Pairs[p].PicIndex1).constData() << " and "
            << FullPath(catalogue, catalogue.Pairs[p].PicIndex2).constData();
    }
}

class BindMount
{
public:
    BindMount(const QString &from, const QString &to)
        : m_to(Raw(to))
    {
        m_mounted = mount(Raw(from).constData(), m_to.constData(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~BindMount()
    {
        if (m_mounted)
            umount(m_to.constData());
    }
    bool Mounted() const { return m_mounted; }

private:
    QByteArray m_to;
    bool m_mounted = false;
};

}

TEST(SameFile, HardAndSymbolicLinksNeverPairWithTheirOwnFileWhileARealCopyPairs)
{
    QTemporaryDir root;
    const QString photos = root.filePath("photos");
    QDir().mkpath(photos);
    SavePicture(DrawScene(7, 320, 240), photos + "/a.jpg", "jpg", 90);
    ASSERT_EQ(link(Raw(photos + "/a.jpg").constData(), Raw(photos + "/b_hardlink.jpg").constData()), 0);
    ASSERT_EQ(symlink("a.jpg", Raw(photos + "/c_symlink.jpg").constData()), 0);
    SavePicture(DrawScene(99, 320, 240), photos + "/d_unrelated.jpg", "jpg", 90);

    for (const bool useIndex : { true, false }) {
        const TCatalogue alone = Search({ Folder(photos) }, useIndex);
        ASSERT_EQ(alone.PicturesCapacity, 4);
        EXPECT_EQ(alone.PairsLast, -1) << "index " << useIndex;
    }

    ASSERT_TRUE(QFile::copy(photos + "/a.jpg", photos + "/e_copy.jpg"));
    for (const bool useIndex : { true, false }) {
        const TCatalogue withCopy = Search({ Folder(photos) }, useIndex);
        ASSERT_EQ(withCopy.PairsLast, 0) << "index " << useIndex;
        EXPECT_TRUE(withCopy.Pairs[0].Similarity == 100);
        EXPECT_TRUE(FullPath(withCopy, withCopy.Pairs[0].PicIndex2).endsWith("e_copy.jpg"));
        ExpectNoFilePairedWithItself(withCopy);
    }
}

TEST(SameFile, AFolderListedUnderTwoPathsGivesNoSelfPairs)
{
    QTemporaryDir root;
    const QString photos = root.filePath("photos");
    QDir().mkpath(photos);
    SavePicture(DrawScene(3, 320, 240), photos + "/a.jpg", "jpg", 90);
    SavePicture(DrawScene(4, 320, 240), photos + "/b.jpg", "jpg", 90);
    ASSERT_EQ(symlink(Raw(photos).constData(), Raw(root.filePath("linked")).constData()), 0);

    const TCatalogue viaLink = Search({ Folder(photos), Folder(root.filePath("linked")) });
    EXPECT_EQ(viaLink.PicturesCapacity, 2);
    EXPECT_EQ(viaLink.PairsLast, -1);

    QDir().mkpath(root.filePath("bound"));
    const BindMount bound(photos, root.filePath("bound"));
    if (!bound.Mounted())
        GTEST_SKIP() << "bind mounts need root; the link case above still ran";
    const TCatalogue viaMount = Search({ Folder(root.filePath("bound")), Folder(photos) });
    EXPECT_EQ(viaMount.PicturesCapacity, 2);
    EXPECT_EQ(viaMount.PairsLast, -1);
}

TEST(HostileFolders, FifoAndDanglingLinkNamedLikePicturesAreSkipped)
{
    QTemporaryDir root;
    QDir().mkpath(root.filePath("pipe"));
    QDir().mkpath(root.filePath("dangling"));
    ASSERT_EQ(mkfifo(Raw(root.filePath("pipe/photo.jpg")).constData(), 0644), 0);
    ASSERT_EQ(symlink("nowhere.jpg", Raw(root.filePath("dangling/photo.jpg")).constData()), 0);
    SavePicture(DrawScene(5, 320, 240), root.filePath("real.jpg"), "jpg", 90);
    ASSERT_TRUE(QFile::copy(root.filePath("real.jpg"), root.filePath("real_copy.jpg")));

    // A FIFO opened for reading would block the search here for good.
    const TCatalogue catalogue = Search({ Folder(root.path()) });
    EXPECT_FALSE(catalogue.SearchStopped);
    ASSERT_EQ(catalogue.PicturesCapacity, 2);
    EXPECT_EQ(PairedPaths(catalogue),
        (std::vector<std::pair<QByteArray, QByteArray>> {
            { Raw(root.filePath("real.jpg")), Raw(root.filePath("real_copy.jpg")) } }));
}

TEST(HostileFolders, TreeDeeperThanThePathLimitEndsCleanly)
{
    constexpr int kDepth = 200;
    const QByteArray longName(40, 'n');
    QTemporaryDir root;
    SavePicture(DrawScene(9, 200, 150), root.filePath("top.jpg"), "jpg", 90);
    // Built relative to each folder's descriptor: the full path soon outgrows what open() takes.
    int folder = open(Raw(root.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    const QByteArray picture = ReadBytes(root.filePath("top.jpg"));
    for (int level = 0; level < kDepth; ++level) {
        ASSERT_EQ(mkdirat(folder, longName.constData(), 0755), 0) << level;
        const int inner = openat(folder, longName.constData(), O_RDONLY | O_DIRECTORY);
        close(folder);
        ASSERT_GE(inner, 0) << level;
        folder = inner;
        if (level == 5 || level == kDepth - 1) {
            const int file = openat(folder, "deep.jpg", O_WRONLY | O_CREAT | O_EXCL, 0644);
            ASSERT_GE(file, 0);
            ASSERT_EQ(write(file, picture.constData(), size_t(picture.size())), picture.size());
            close(file);
        }
    }
    close(folder);

    TCatalogue catalogue;
    catalogue.SearchStopped = false;
    ListedFoldersObserver observer;
    const QByteArray missing = Raw(root.path()) + "-missing/";
    observer.folders = { Folder(root.path()), missing };
    RunSearchSteps(catalogue, TSettings {}, observer);
    EXPECT_FALSE(catalogue.SearchStopped);
    // The shallow copy is found and pairs; the one past the path limit is left out, not a crash,
    // and so is the missing folder, each said once.
    EXPECT_EQ(observer.skipped.size(), 2u);
    if (observer.skipped.size() == 2) {
        EXPECT_GT(observer.skipped[0].first.size(), PATH_MAX);
        EXPECT_TRUE(observer.skipped[0].second.contains(QStringLiteral("longer than the system allows")));
        EXPECT_EQ(observer.skipped[1].first, missing);
        EXPECT_TRUE(observer.skipped[1].second.contains(QStringLiteral("does not exist")));
    }
    ASSERT_EQ(catalogue.PicturesCapacity, 2);
    EXPECT_TRUE(FullPath(catalogue, 0).endsWith("/top.jpg"));
    EXPECT_TRUE(FullPath(catalogue, 1).endsWith("/deep.jpg"));
    EXPECT_EQ(catalogue.PairsLast, 0);
    // QTemporaryDir cannot remove a tree this deep by path.
    EXPECT_EQ(std::system(("rm -rf " + Raw(root.path())).constData()), 0);
}
