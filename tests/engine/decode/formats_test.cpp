#include "engine/base/pictureerror.h"
#include "engine/base/searchobserver.h"
#include "engine/compare/processing.h"
#include "engine/decode/picturereader.h"
#include "engine/search.h"
#include "engine/sign/signpicture.h"
#include "engine/store/signaturestore.h"
#include "formatfixtures.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace
{

TSettings everyType()
{
    TSettings settings;
    settings.SearchTIFF = settings.SearchCR2 = settings.SearchJXL = settings.SearchRAW = true;
    return settings;
}

double scoreAgainst(const TPictureSignature &original, const QString &path)
{
    const auto signature = SignPicture(QFile::encodeName(path), TSettings {});
    if (!signature)
        return -1;
    TPicInfo earlier;
    earlier.WaveletCoefsPos = original.WaveletCoefsPos;
    earlier.WaveletCoefsNeg = original.WaveletCoefsNeg;
    TSignMatrix matrix;
    RebuildWaveletMatrix(signature->WaveletCoefsPos, signature->WaveletCoefsNeg, matrix);
    return WaveletScore(earlier, matrix);
}

}

TEST(NewFormats, CopiesPairWithTheirJpegOriginalAsAPngCopyDoesAndBrokenFilesAreSkipped)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(21, 640, 480);
    SavePicture(scene, folder.filePath("original.jpg"), "jpg", 92);
    SavePicture(scene, folder.filePath("copy.png"), "png");
    const std::map<QString, QByteArray> copies {
        { "copy.webp", EncodeWebp(scene) },
        { "copy.heic", EncodeHeic(scene) },
        { "copy.avif", EncodeAvif(scene) },
        { "copy.jxl", EncodeJxl(scene) },
        { "copy.dng", EncodeLinearDng(scene) },
    };
    for (const auto &[name, bytes] : copies) {
        WriteBytes(folder.filePath(name), bytes);
        WriteBytes(folder.filePath("truncated_" + name), bytes.left(bytes.size() / 2));
        WriteBytes(folder.filePath("garbage_" + name), QByteArray(3000, '\x5A'));
    }

    const auto original = SignPicture(QFile::encodeName(folder.filePath("original.jpg")), TSettings {});
    ASSERT_TRUE(original);
    const double pngScore = scoreAgainst(*original, folder.filePath("copy.png"));
    ASSERT_GE(pngScore, 50);
    for (const char *name : { "copy.webp", "copy.heic", "copy.avif", "copy.jxl" }) {
        const double score = scoreAgainst(*original, folder.filePath(name));
        EXPECT_GE(score, 50) << name;
        EXPECT_LT(std::abs(score - pngScore), 10) << name << " scores " << score << ", the PNG copy " << pngScore;
        EXPECT_EQ(SignPicture(QFile::encodeName(folder.filePath(name)), TSettings {})->Width, 640) << name;
    }
    // A RAW converter's tone curve changes the picture more than a re-encoding does.
    const auto raw = SignPicture(QFile::encodeName(folder.filePath("copy.dng")), TSettings {});
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->Width, 640);
    EXPECT_EQ(raw->Height, 480);

    TCatalogue catalogue;
    TListedFoldersObserver observer;
    observer.folders = { QFile::encodeName(folder.path()) + '/' };
    catalogue.SearchStopped = false;
    RunSearchSteps(catalogue, everyType(), observer);
    EXPECT_EQ(catalogue.PicturesLast + 1, 2 + 3 * int(copies.size()));
    // Every readable copy pairs within the one scene; the broken files are skipped.
    EXPECT_GE(catalogue.PairsLast + 1, 5);
    for (int32_t i = 0; i <= catalogue.PairsLast; ++i)
        for (const int32_t picture : { catalogue.Pairs[i].PicIndex1, catalogue.Pairs[i].PicIndex2 })
            EXPECT_FALSE(catalogue.Pictures[picture].FileName.contains('_'))
                << catalogue.Pictures[picture].FileName.data();
}

TEST(NewFormats, HeicClaimingMoreThanThePixelLimitIsRefusedBeforeDecoding)
{
    QTemporaryDir folder;
    QByteArray heic = EncodeHeic(DrawScene(3, 64, 48));
    // Every image spatial extents box: size, "ispe", version and flags, width, height.
    qsizetype ispe = heic.indexOf("ispe");
    ASSERT_GT(ispe, 0);
    for (; ispe > 0; ispe = heic.indexOf("ispe", ispe + 1)) {
        qToBigEndian<quint32>(20000, heic.data() + ispe + 8);
        qToBigEndian<quint32>(20000, heic.data() + ispe + 12);
    }
    WriteBytes(folder.filePath("huge.heic"), heic);
    try {
        ReadPictureFile(QFile::encodeName(folder.filePath("huge.heic")));
        FAIL() << "a 400-megapixel claim must be refused";
    } catch (const TPictureError &error) {
        EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
    }
}

TEST(NewFormats, AFileAnotherTypesMaskCollectsIsReadOnlyWhileItsOwnTypeIsOn)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(23, 320, 240);
    SavePicture(scene, folder.filePath("scan.tif"), "tif");
    WriteBytes(folder.filePath("scan.tif.webp"), EncodeWebp(scene));
    WriteBytes(folder.filePath("a.tif.dng"), EncodeLinearDng(scene));
    // One of the first six types is read whichever mask collected it, as it always was.
    SavePicture(scene, folder.filePath("copy.tif.png"), "png");
    TSettings tiffOnly;
    tiffOnly.SearchTIFF = true;
    tiffOnly.SearchJPG = tiffOnly.SearchBMP = tiffOnly.SearchGIF = tiffOnly.SearchPNG = false;
    tiffOnly.SearchWEBP = tiffOnly.SearchHEIF = false;
    TSettings everyType = tiffOnly;
    everyType.SearchWEBP = everyType.SearchRAW = true;

    const auto pairedNames = [&](const TSettings &settings, std::shared_ptr<TSignatureStore> store) {
        TCatalogue catalogue;
        TListedFoldersObserver observer;
        observer.folders = { QFile::encodeName(folder.path()) + '/' };
        catalogue.SearchStopped = false;
        RunSearchSteps(catalogue, settings, observer, {}, store);
        EXPECT_EQ(catalogue.PicturesLast + 1, 4);
        std::set<QByteArray> names;
        for (int32_t i = 0; i <= catalogue.PairsLast; ++i)
            for (const int32_t picture : { catalogue.Pairs[i].PicIndex1, catalogue.Pairs[i].PicIndex2 })
                names.insert(catalogue.Pictures[picture].FileName);
        return names;
    };
    const std::set<QByteArray> tiffAndPng { "scan.tif", "copy.tif.png" };
    EXPECT_EQ(pairedNames(tiffOnly, nullptr), tiffAndPng);
    EXPECT_EQ(
        pairedNames(tiffOnly, std::make_shared<TSignatureStore>(QFile::encodeName(folder.filePath("store.sqlite")))),
        tiffAndPng);
    const std::set<QByteArray> all { "scan.tif", "copy.tif.png", "scan.tif.webp", "a.tif.dng" };
    EXPECT_EQ(pairedNames(everyType, nullptr), all);
}
