#include "engine/base/searchobserver.h"
#include "engine/search.h"
#include "engine/sign/signpicture.h"
#include "hostilefixtures.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr int kScansOfTheCraftedJpeg = 4000;

// Changes a file once the collection has listed it, before any worker can read it: the workers
// start only when the collection has ended.
struct TTamperingObserver : TListedFoldersObserver {
    TCatalogue *catalogue = nullptr;
    QDir folder;
    QByteArray removeWhenListed;
    QByteArray replaceByFolderWhenListed;

    void Pump() override
    {
        for (int k = 0; k <= catalogue->PicturesLast; ++k) {
            const QByteArray &name = catalogue->Pictures[k].FileName;
            const QString path = folder.filePath(QFile::decodeName(name));
            if (name == removeWhenListed) {
                QFile::remove(path);
                removeWhenListed.clear();
            } else if (name == replaceByFolderWhenListed) {
                QFile::remove(path);
                QDir().mkdir(path);
                replaceByFolderWhenListed.clear();
            }
        }
    }
};

QMap<QString, QByteArray> snapshot(const QDir &folder)
{
    QMap<QString, QByteArray> contents;
    for (const QString &name : folder.entryList(QDir::Files))
        contents[name] = ReadBytes(folder.filePath(name));
    return contents;
}

}

TEST(HostileSearch, CompletesSkipsTheBadPairsTheGoodAndTouchesNothing)
{
    QTemporaryDir temporary;
    const QDir folder(temporary.path());
    const auto put = [&](const char *name, const QByteArray &bytes) { WriteBytes(folder.filePath(name), bytes); };

    SavePicture(DrawScene(1, 640, 480), folder.filePath("good.jpg"), "jpg", 90);
    const QByteArray good = ReadBytes(folder.filePath("good.jpg"));
    put("good_copy.jpg", good);
    put("zero_bytes.jpg", {});
    put("zero_bytes.png", {});
    for (const qsizetype offset : { qsizetype(2), qsizetype(200), good.size() / 2, good.size() - 3 })
        put(qPrintable(QString("truncated_%1.jpg").arg(offset)), good.left(offset));
    SavePicture(DrawScene(2, 300, 200), folder.filePath("png_named.jpg"), "png");
    const QByteArray png = ReadBytes(folder.filePath("png_named.jpg"));
    put("truncated.png", png.left(png.size() / 2));
    QByteArray noise(20000, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + (i >> 3) * 104729) & 0xFF);
    put("random.jpg", noise);
    put("random.png", noise);
    put("random.gif", noise);
    put("random.tif", noise);
    put("65535x65535.png", PngWithClaimedSize(65535, 65535));
    put("zero_width.png", PngWithClaimedSize(0, 100));
    SavePicture(DrawScene(3, 1, 10000), folder.filePath("1x10k.png"), "png");
    put("many_scans.jpg", ProgressiveJpegWithScans(DrawScene(4, 320, 240), kScansOfTheCraftedJpeg));
    put("cmyk.jpg", CmykJpeg(DrawScene(5, 320, 240)));
    SavePicture(DrawScene(6, 320, 240).convertToFormat(QImage::Format_RGBA64), folder.filePath("16bit.png"), "png");
    put("animated.gif", AnimatedGif({ DrawScene(7, 320, 240), DrawScene(8, 320, 240) }));
    put("pages.tif", MultiPageTiff({ DrawScene(9, 320, 240), DrawScene(10, 320, 240) }));
    put("removed.jpg", good);
    put("became_folder.jpg", good);
    const QMap<QString, QByteArray> before = snapshot(folder);

    TSettings settings;
    settings.SearchTIFF = true;
    TCatalogue catalogue;
    TTamperingObserver observer;
    observer.catalogue = &catalogue;
    observer.folders = { QFile::encodeName(folder.path()) + '/' };
    observer.folder = folder;
    observer.removeWhenListed = "removed.jpg";
    observer.replaceByFolderWhenListed = "became_folder.jpg";
    catalogue.SearchStopped = false;
    RunSearchSteps(catalogue, settings, observer);

    EXPECT_FALSE(catalogue.SearchStopped);
    // Empty files are never collected.
    constexpr int kEmptyFiles = 2;
    ASSERT_EQ(catalogue.PicturesCapacity, before.size() - kEmptyFiles);
    EXPECT_EQ(catalogue.PicturesLast, catalogue.PicturesCapacity - 1);
    QStringList signedNames;
    for (int k = 0; k < catalogue.PicturesCapacity; ++k) {
        if (catalogue.Pictures[k].CCVStage == TCCVStage::Full)
            signedNames << QFile::decodeName(catalogue.Pictures[k].FileName);
    }
    signedNames.sort();
    EXPECT_EQ(signedNames,
        QStringList({ "16bit.png", "animated.gif", "cmyk.jpg", "good.jpg", "good_copy.jpg", "pages.tif" }));
    ASSERT_EQ(catalogue.PairsLast, 0);
    const TPicturePair &pair = catalogue.Pairs[0];
    EXPECT_EQ(QFile::decodeName(catalogue.Pictures[pair.PicIndex1].FileName), "good.jpg");
    EXPECT_EQ(QFile::decodeName(catalogue.Pictures[pair.PicIndex2].FileName), "good_copy.jpg");
    EXPECT_EQ(pair.Similarity, 100);

    QMap<QString, QByteArray> expected = before;
    expected.remove("removed.jpg");
    expected.remove("became_folder.jpg");
    EXPECT_TRUE(snapshot(folder) == expected);
}

TEST(HostileSearch, UnusualButValidPicturesKeepTheirContent)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(11, 320, 240);
    const auto signatureOf = [&](const char *name, const QByteArray &bytes) {
        WriteBytes(folder.filePath(name), bytes);
        return SignPicture(QFile::encodeName(folder.filePath(name)), TSettings {});
    };
    SavePicture(scene, folder.filePath("plain.png"), "png");
    const auto plain = SignPicture(QFile::encodeName(folder.filePath("plain.png")), TSettings {});
    ASSERT_TRUE(plain);
    TSignMatrix plainMatrix;
    RebuildWaveletMatrix(plain->WaveletCoefsPos, plain->WaveletCoefsNeg, plainMatrix);

    // Each carries the same scene as its first frame, page or colour form.
    const QImage other = DrawScene(12, 320, 240);
    for (const auto &[name, bytes] :
        { std::pair { "cmyk.jpg", CmykJpeg(scene) }, std::pair { "animated.gif", AnimatedGif({ scene, other }) },
            std::pair { "pages.tif", MultiPageTiff({ scene, other }) } }) {
        const auto signature = signatureOf(name, bytes);
        ASSERT_TRUE(signature) << name;
        EXPECT_EQ(signature->Width, 320) << name;
        EXPECT_EQ(signature->Height, 240) << name;
        TPicInfo earlier;
        earlier.WaveletCoefsPos = signature->WaveletCoefsPos;
        earlier.WaveletCoefsNeg = signature->WaveletCoefsNeg;
        EXPECT_GE(WaveletScore(earlier, plainMatrix), 80) << name;
    }
}
