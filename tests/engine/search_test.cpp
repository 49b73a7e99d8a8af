#include "engine/base/searchobserver.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/search.h"
#include "engine/sign/signpicture.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

struct TFolderObserver : TListedFoldersObserver {
    TCatalogue *catalogue = nullptr;
    QString removeWhenProcessingStarts;
    int stopAtPump = 0;
    int pumps = 0;
    QStringList filesCounts;

    void Pump() override
    {
        ++pumps;
        if (pumps == stopAtPump)
            catalogue->SearchStopped = true;
        // Pairs exist only once collection has ended.
        if (!removeWhenProcessingStarts.isEmpty() && !catalogue->Pairs.empty()) {
            QFile::remove(removeWhenProcessingStarts);
            removeWhenProcessingStarts.clear();
        }
    }
    void FilesCountChanged(const QString &caption) override { filesCounts << caption; }
};

void runSearch(TCatalogue &catalogue, TFolderObserver &observer, const TSettings &settings = TSettings {})
{
    observer.catalogue = &catalogue;
    catalogue.SearchStopped = false;
    RunSearchSteps(catalogue, settings, observer);
}

QString nameOf(const TCatalogue &catalogue, int index) { return QFile::decodeName(catalogue.Pictures[index].FileName); }

}

TEST(Search, VariantsPairWithinTheirSceneAndScenesStayApart)
{
    QTemporaryDir folder;
    constexpr int kScenes = 4;
    for (int scene = 0; scene < kScenes; ++scene) {
        const QImage picture = DrawScene(100 + scene, 800, 600);
        const QString stem = folder.filePath(QString("s%1_").arg(scene));
        SavePicture(picture, stem + "original.jpg", "jpg", 92);
        QFile::copy(stem + "original.jpg", stem + "original_copy.jpg");
        SavePicture(
            picture.scaled(480, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), stem + "resized.jpg", "jpg", 90);
        SavePicture(picture, stem + "lowq.jpg", "jpg", 35);
        SavePicture(picture, stem + "png.png", "png");
        SavePicture(picture, stem + "bmp.bmp", "bmp");
        WriteBytes(stem + "gif.gif", EncodeGif(picture));
    }
    constexpr int kFilesPerScene = 7;
    const QByteArray good = ReadBytes(folder.filePath("s0_original.jpg"));
    WriteBytes(folder.filePath("x_truncated.jpg"), good.left(good.size() / 3));
    WriteBytes(folder.filePath("x_corrupt.jpg"), QByteArray(5000, '\x5A'));
    WriteBytes(folder.filePath("x_no_frames.gif"), QByteArray("GIF89a\x0A\x00\x0A\x00\x00\x00\x00\x3B", 14));
    WriteBytes(folder.filePath("x_removed.jpg"), good);

    TCatalogue catalogue;
    TFolderObserver observer;
    observer.folders = { QFile::encodeName(folder.path()) + '/' };
    observer.removeWhenProcessingStarts = folder.filePath("x_removed.jpg");
    runSearch(catalogue, observer);

    ASSERT_EQ(catalogue.PicturesCapacity, kScenes * kFilesPerScene + 4);
    ASSERT_EQ(catalogue.PairsLast + 1, kScenes * (kFilesPerScene - 1));
    EXPECT_EQ(catalogue.PairsCapacity, catalogue.PairsLast + 1);
    for (const TPicturePair &pair : catalogue.Pairs) {
        const QString first = nameOf(catalogue, pair.PicIndex1);
        const QString second = nameOf(catalogue, pair.PicIndex2);
        EXPECT_EQ(first.left(3), second.left(3)) << qPrintable(first) << " " << qPrintable(second);
        if (second.endsWith("original_copy.jpg")) {
            EXPECT_EQ(pair.Similarity, 100) << qPrintable(second);
        }
    }
    EXPECT_EQ(observer.filesCounts.back(), QString("扫描图片总数： 32 / 32"));

    // Whatever the catalogue order, each variant on its own would pair with its original.
    for (int scene = 0; scene < kScenes; ++scene) {
        const QString stem = folder.filePath(QString("s%1_").arg(scene));
        const auto original = SignPicture(QFile::encodeName(stem + "original.jpg"), TSettings {});
        ASSERT_TRUE(original);
        TPicInfo earlier;
        earlier.WaveletCoefsPos = original->WaveletCoefsPos;
        earlier.WaveletCoefsNeg = original->WaveletCoefsNeg;
        for (const char *variant : { "resized.jpg", "lowq.jpg", "png.png", "bmp.bmp", "gif.gif" }) {
            const auto signature = SignPicture(QFile::encodeName(stem + variant), TSettings {});
            ASSERT_TRUE(signature) << variant;
            TSignMatrix matrix;
            RebuildWaveletMatrix(signature->WaveletCoefsPos, signature->WaveletCoefsNeg, matrix);
            EXPECT_GE(WaveletScore(earlier, matrix), 50) << scene << " " << variant;
        }
    }
}

TEST(Search, NoPicturesEndsWithZeroOfZero)
{
    QTemporaryDir folder;
    WriteBytes(folder.filePath("notes.txt"), "no pictures here");
    TCatalogue catalogue;
    TFolderObserver observer;
    observer.folders = { QFile::encodeName(folder.path()) + '/', "/nonexistent/quorvane/folder/" };
    runSearch(catalogue, observer);
    EXPECT_EQ(catalogue.PicturesLast, -1);
    EXPECT_EQ(catalogue.PairsLast, -1);
    EXPECT_EQ(observer.filesCounts, QStringList { "扫描图片总数： 0 / 0" });
}

TEST(Search, StopDuringCollectionSkipsProcessing)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(1, 200, 150), folder.filePath("a.jpg"), "jpg", 90);
    QFile::copy(folder.filePath("a.jpg"), folder.filePath("b.jpg"));
    TCatalogue catalogue;
    TFolderObserver previous;
    previous.folders = { QFile::encodeName(folder.path()) + '/' };
    runSearch(catalogue, previous);
    ASSERT_EQ(catalogue.PairsLast, 0);

    TFolderObserver observer;
    observer.folders = previous.folders;
    observer.stopAtPump = 1;
    runSearch(catalogue, observer);
    EXPECT_TRUE(catalogue.SearchStopped);
    EXPECT_EQ(catalogue.PairsLast, -1);
    EXPECT_EQ(catalogue.PairsCapacity, 0);
    EXPECT_TRUE(catalogue.Pairs.empty());
    for (int k = 0; k <= catalogue.PicturesLast; ++k)
        EXPECT_EQ(catalogue.Pictures[k].CCVStage, TCCVStage::None);
}

TEST(Search, FinalMessageHeaderAndLineEnds)
{
    const QString spaces(36, ' ');
    EXPECT_EQ(SearchResultHeader(false), "搜索已完成" + spaces + "\n\r\n\r");
    EXPECT_EQ(SearchResultHeader(true), "搜索中断" + spaces + "\n\r\n\r");
    EXPECT_EQ(SearchResultMessage(false, "扫描图片总数： 0 / 0", "相似图像： 0", "运行时间： 00:00:01"),
        "搜索已完成" + spaces + "\n\r\n\r扫描图片总数： 0 / 0\n\r相似图像： 0\n\r运行时间： 00:00:01\n\r");
}
