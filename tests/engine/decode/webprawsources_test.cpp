#include "engine/base/pictureerror.h"
#include "engine/compare/pairing.h"
#include "engine/decode/picturereader.h"
#include "engine/sign/signpicture.h"
#include "formatfixtures.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace
{

// The score S of the picture at `path` against the one at `earlierPath`, as a search scores them.
double scoreOf(const QString &earlierPath, const QString &path)
{
    const auto earlier = SignPicture(QFile::encodeName(earlierPath), TSettings {});
    const auto current = SignPicture(QFile::encodeName(path), TSettings {});
    if (!earlier || !current)
        return -1;
    TPicInfo info;
    info.WaveletCoefsPos = earlier->WaveletCoefsPos;
    info.WaveletCoefsNeg = earlier->WaveletCoefsNeg;
    TSignMatrix matrix;
    RebuildWaveletMatrix(current->WaveletCoefsPos, current->WaveletCoefsNeg, matrix);
    return WaveletScore(info, matrix);
}

TPictureSource readForSigning(const QString &path)
{
    return ReadPictureFile(QFile::encodeName(path), SigningRequest());
}

}

TEST(WebpAndRawSources, WebpSignsFromAScaledDecodingWithItsFullSizeCloseToQtsWholeDecoding)
{
    QTemporaryDir folder;
    const QByteArray webp = EncodeWebp(DrawScene(31, 1600, 1200));
    WriteBytes(folder.filePath("copy.webp"), webp);
    // Qt's whole decoding, losslessly kept: what signing the WebP took before.
    SavePicture(QImage::fromData(webp, "webp"), folder.filePath("qt.png"), "png");

    const TPictureSource source = readForSigning(folder.filePath("copy.webp"));
    EXPECT_STREQ(source.Origin, "scaled");
    EXPECT_EQ(source.FullSize, QSize(1600, 1200));
    EXPECT_EQ(source.Picture.size(), QSize(200, 150));
    const auto signature = SignPicture(QFile::encodeName(folder.filePath("copy.webp")), TSettings {});
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->Width, 1600);
    EXPECT_EQ(signature->Height, 1200);
    EXPECT_GE(scoreOf(folder.filePath("qt.png"), folder.filePath("copy.webp")), 95);
    // The preview shows the whole picture.
    EXPECT_EQ(ReadPictureFile(QFile::encodeName(folder.filePath("copy.webp"))).Picture.size(), QSize(1600, 1200));

    WriteBytes(folder.filePath("truncated.webp"), webp.left(webp.size() * 2 / 3));
    EXPECT_THROW(readForSigning(folder.filePath("truncated.webp")), TPictureError);
    EXPECT_FALSE(SignPicture(QFile::encodeName(folder.filePath("truncated.webp")), TSettings {}));
}

TEST(WebpAndRawSources, LosslessWebpWhoseWholePictureWouldExceedTheMemoryBudgetIsRefusedBeforeDecoding)
{
    QTemporaryDir folder;
    QByteArray webp;
    QBuffer buffer(&webp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(DrawScene(34, 64, 48).save(&buffer, "webp", 100));
    ASSERT_EQ(webp.mid(12, 4), "VP8L");
    // The lossless header after its signature byte: 14 bits each of width and height less one.
    const quint32 header = qFromLittleEndian<quint32>(webp.constData() + 21);
    qToLittleEndian<quint32>((header & ~0x0FFFFFFFu) | 16383u | 16383u << 14, webp.data() + 21);
    WriteBytes(folder.filePath("huge.webp"), webp);
    try {
        readForSigning(folder.filePath("huge.webp"));
        FAIL() << "a lossless 16384 x 16384 picture needs 1 GB inside libwebp";
    } catch (const TPictureError &error) {
        EXPECT_NE(std::string(error.what()).find("memory budget"), std::string::npos) << error.what();
    }
}

TEST(WebpAndRawSources, RawSignsFromItsPreviewTurnedAsTheFileSaysWithTheDevelopedPicturesSize)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(32, 1600, 1200);
    // Orientation 6: the camera was turned a quarter clockwise.
    WriteBytes(folder.filePath("preview.dng"), EncodeLinearDng(scene, scene, 6));
    WriteBytes(folder.filePath("developed.dng"), EncodeLinearDng(scene, QImage(), 6));

    const TPictureSource source = readForSigning(folder.filePath("preview.dng"));
    EXPECT_STREQ(source.Origin, "preview");
    EXPECT_EQ(source.FullSize, QSize(1200, 1600));
    EXPECT_EQ(source.Picture.size(), QSize(150, 200));
    const TPictureSource developed = ReadPictureFile(QFile::encodeName(folder.filePath("preview.dng")));
    EXPECT_STREQ(developed.Origin, "full");
    EXPECT_EQ(developed.Picture.size(), QSize(1200, 1600));
    EXPECT_GE(scoreOf(folder.filePath("developed.dng"), folder.filePath("preview.dng")), 90);
}

TEST(WebpAndRawSources, RawWhosePreviewIsSmallOfAnotherShapeOrCutOffIsDevelopedAsAWhole)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(33, 1600, 1200);
    const std::map<QString, QImage> previews {
        { "small.dng", scene.scaled(160, 120) },
        { "wide.dng", scene.copy(0, 150, 1600, 900) },
    };
    for (const auto &[name, preview] : previews) {
        WriteBytes(folder.filePath(name), EncodeLinearDng(scene, preview));
        const TPictureSource source = readForSigning(folder.filePath(name));
        EXPECT_STREQ(source.Origin, "full") << name.toStdString();
        EXPECT_EQ(source.Picture.size(), QSize(1600, 1200)) << name.toStdString();
    }
    // The preview follows the raw data, so a file cut off inside it still holds the whole picture.
    QByteArray cut = EncodeLinearDng(scene, scene);
    cut.chop(2000);
    WriteBytes(folder.filePath("cut.dng"), cut);
    EXPECT_STREQ(readForSigning(folder.filePath("cut.dng")).Origin, "full");
}
