#include "engine/base/pictureerror.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/pictureloader.h"
#include "engine/sign/pictureprocessing.h"
#include "engine/sign/signpicture.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/stat.h>

namespace
{

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// A real PNG whose header claims `width` x `height`, with a correct header checksum.
QByteArray pngClaimingSize(quint32 width, quint32 height)
{
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "png");
    constexpr int kIhdrType = 12;
    constexpr int kIhdrData = 16;
    constexpr int kIhdrCrc = 29;
    qToBigEndian(width, png.data() + kIhdrData);
    qToBigEndian(height, png.data() + kIhdrData + 4);
    qToBigEndian(crc32(png.mid(kIhdrType, kIhdrCrc - kIhdrType)), png.data() + kIhdrCrc);
    return png;
}

QByteArray jpegWithBrokenHuffmanTable()
{
    QByteArray jpeg = EncodeJpeg(DrawScene(3, 64, 48));
    const qsizetype table = jpeg.indexOf("\xFF\xC4");
    EXPECT_GT(table, 0);
    // The 16 code-length counts follow the length and class bytes; their sum must stay <= 256.
    for (int i = 0; i < 16; ++i)
        jpeg[table + 5 + i] = char(0xFF);
    return jpeg;
}

bool loads(const QString &path, const TSettings &settings = TSettings {})
{
    QImage workBitmap;
    int height = 0;
    int width = 0;
    try {
        LoadPicture(QFile::encodeName(path), workBitmap, height, width, settings);
    } catch (const TPictureError &) {
        return false;
    }
    EXPECT_EQ(workBitmap.size(), QSize(kWorkBitmapSize, kWorkBitmapSize));
    EXPECT_EQ(workBitmap.format(), QImage::Format_BGR888);
    return true;
}

}

TEST(ScaleChoice, BoundsAreStrictOnBothSides)
{
    const TSettings defaults;
    EXPECT_EQ(ChooseScaleDenominator(3000, 4000, defaults), 8);
    EXPECT_EQ(ChooseScaleDenominator(800, 1000, defaults), 4);
    EXPECT_EQ(ChooseScaleDenominator(400, 2000, defaults), 1);
    EXPECT_EQ(ChooseScaleDenominator(501, 501, defaults), 4);
    EXPECT_EQ(ChooseScaleDenominator(500, 4000, defaults), 1);

    TSettings tall;
    tall.MinPicHeight = 1500;
    EXPECT_EQ(ChooseScaleDenominator(1600, 1200, tall), 8);
    EXPECT_FALSE(PassesSizeFilter(1400, 1200, tall));
    EXPECT_TRUE(PassesSizeFilter(1600, 1200, tall));
}

TEST(ScaleChoice, NeverAcceptsBelowFivePixels)
{
    TSettings zero;
    zero.MinPicWidth = 0;
    zero.MinPicHeight = 0;
    EXPECT_FALSE(PassesSizeFilter(4, 100, zero));
    EXPECT_FALSE(PassesSizeFilter(100, 4, zero));
    EXPECT_TRUE(PassesSizeFilter(5, 5, zero));
}

TEST(JpegCodec, CameraSizedPictureDecodesAtOneEighth)
{
    QTemporaryDir folder;
    QImage camera(4000, 3000, QImage::Format_RGB888);
    camera.fill(QColor(30, 120, 200));
    const QByteArray jpeg = EncodeJpeg(camera);
    const TJpegSize size = ReadJpegSize(jpeg);
    EXPECT_EQ(size.Width, 4000);
    EXPECT_EQ(size.Height, 3000);
    EXPECT_EQ(DecodeJpeg(jpeg, 8).size(), QSize(500, 375));

    WriteBytes(folder.filePath("camera.jpg"), jpeg);
    QImage workBitmap;
    int height = 0;
    int width = 0;
    LoadPicture(QFile::encodeName(folder.filePath("camera.jpg")), workBitmap, height, width, TSettings {});
    EXPECT_EQ(height, 3000);
    EXPECT_EQ(width, 4000);
    const uchar *pixel = workBitmap.constScanLine(64) + 3 * 64;
    EXPECT_NEAR(pixel[0], 200, 3);
    EXPECT_NEAR(pixel[1], 120, 3);
    EXPECT_NEAR(pixel[2], 30, 3);
}

TEST(JpegCodec, GreyscaleJpegDecodesToEqualChannels)
{
    QImage grey(64, 64, QImage::Format_Grayscale8);
    grey.fill(140);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(grey.save(&buffer, "jpg"));
    const QImage decoded = DecodeJpeg(jpeg, 1);
    ASSERT_EQ(decoded.format(), QImage::Format_RGB888);
    const uchar *pixel = decoded.constScanLine(10) + 30;
    EXPECT_EQ(pixel[0], pixel[1]);
    EXPECT_EQ(pixel[1], pixel[2]);
    EXPECT_NEAR(pixel[0], 140, 2);
}

TEST(Stretch, SamplesPixelCentresIntoBlueGreenRed)
{
    QImage ramp(256, 256, QImage::Format_RGB888);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            uchar *pixel = ramp.scanLine(y) + 3 * x;
            pixel[0] = uchar(x);
            pixel[1] = uchar(y);
            pixel[2] = 7;
        }
    QImage workBitmap;
    StretchToWorkBitmap(ramp, workBitmap);
    for (int y : { 0, 1, 64, 127 })
        for (int x : { 0, 5, 127 }) {
            const uchar *pixel = workBitmap.constScanLine(y) + 3 * x;
            EXPECT_EQ(pixel[0], 7);
            EXPECT_EQ(pixel[1], 2 * y + 1);
            EXPECT_EQ(pixel[2], 2 * x + 1);
        }

    QImage narrow(3, 1, QImage::Format_RGB888);
    for (int x = 0; x < 3; ++x)
        narrow.scanLine(0)[3 * x] = uchar(10 * (x + 1));
    StretchToWorkBitmap(narrow, workBitmap);
    EXPECT_EQ(workBitmap.constScanLine(127)[2], 10);
    EXPECT_EQ(workBitmap.constScanLine(0)[3 * 42 + 2], 10);
    EXPECT_EQ(workBitmap.constScanLine(0)[3 * 43 + 2], 20);
    EXPECT_EQ(workBitmap.constScanLine(0)[3 * 127 + 2], 30);
}

TEST(PictureLoader, DecoderFollowsTheUpperCasedExtension)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(11, 320, 240);
    SavePicture(scene, folder.filePath("scene.Png"), "png");
    SavePicture(scene, folder.filePath("scene.tifx"), "png");
    SavePicture(scene, folder.filePath("scene.BMP"), "bmp");
    WriteBytes(folder.filePath("scene.gif"), EncodeGif(scene));
    SavePicture(scene, folder.filePath("scene.JPEG"), "jpg", 80);
    QFile::copy(folder.filePath("scene.JPEG"), folder.filePath("jpeg_named.png"));
    QFile::copy(folder.filePath("scene.JPEG"), folder.filePath("no_extension"));

    EXPECT_TRUE(loads(folder.filePath("scene.Png")));
    EXPECT_TRUE(loads(folder.filePath("scene.BMP")));
    EXPECT_TRUE(loads(folder.filePath("scene.gif")));
    EXPECT_TRUE(loads(folder.filePath("scene.JPEG")));
    EXPECT_FALSE(loads(folder.filePath("scene.tifx")));
    EXPECT_FALSE(loads(folder.filePath("jpeg_named.png")));
    EXPECT_FALSE(loads(folder.filePath("no_extension")));
}

TEST(PictureLoader, HostileFilesAreRefusedWithTheOneErrorType)
{
    QTemporaryDir folder;
    const QByteArray good = EncodeJpeg(DrawScene(5, 400, 300));
    WriteBytes(folder.filePath("truncated.jpg"), good.left(good.size() * 3 / 5));
    QByteArray corrupt = good;
    for (qsizetype i = 2; i < 40; ++i)
        corrupt[i] = char(i * 37);
    WriteBytes(folder.filePath("corrupt.jpg"), corrupt);
    WriteBytes(folder.filePath("zero_bytes.jpg"), {});
    WriteBytes(folder.filePath("zero_bytes.png"), {});
    WriteBytes(folder.filePath("100000x100000.png"), pngClaimingSize(100000, 100000));
    WriteBytes(folder.filePath("broken_huffman.jpg"), jpegWithBrokenHuffmanTable());
    WriteBytes(folder.filePath("no_frames.gif"), QByteArray("GIF89a\x0A\x00\x0A\x00\x00\x00\x00\x3B", 14));
    WriteBytes(folder.filePath("not_a_raw.cr2"), "II*\0 not really a raw file");

    for (const char *name : { "truncated.jpg", "corrupt.jpg", "zero_bytes.jpg", "zero_bytes.png", "100000x100000.png",
             "broken_huffman.jpg", "no_frames.gif", "not_a_raw.cr2", "missing.jpg" })
        EXPECT_FALSE(loads(folder.filePath(name))) << name;
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath("fifo.jpg")).constData(), 0600), 0);
    EXPECT_FALSE(loads(folder.filePath("fifo.jpg"))) << "a FIFO is never read";
    WriteBytes(folder.filePath("good.jpg"), good);
    EXPECT_TRUE(loads(folder.filePath("good.jpg")));
}

TEST(PictureLoader, NamesThatAreNotUtf8StillLoad)
{
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.path()) + "/caf\xE9.jpg";
    std::FILE *file = std::fopen(path.constData(), "wb");
    ASSERT_NE(file, nullptr);
    const QByteArray jpeg = EncodeJpeg(DrawScene(12, 200, 150));
    std::fwrite(jpeg.constData(), 1, size_t(jpeg.size()), file);
    std::fclose(file);
    QImage workBitmap;
    int height = 0;
    int width = 0;
    LoadPicture(path, workBitmap, height, width, TSettings {});
    EXPECT_EQ(width, 200);
    TPreBuffer preBuffer {};
    ReadPreBuffer(path, preBuffer);
    EXPECT_EQ(preBuffer[0], 0xFF);
    EXPECT_TRUE(FilesIdentical(path, path, [] { return true; }));
}
