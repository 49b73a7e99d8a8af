#include "engine/base/pictureerror.h"
#include "engine/decode/jpegdetour.h"
#include "engine/sign/signpicture.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace
{

enum class TContent { Scene, Noise, Flat, Extreme, GreyScene, GreyNoise };
constexpr TContent kContents[]
    = { TContent::Scene, TContent::Noise, TContent::Flat, TContent::Extreme, TContent::GreyScene, TContent::GreyNoise };
constexpr int kScales[] = { 8, 4 };

// Each channel 0 or 255, or the whole pixel near black or white: the colours that push the
// conversions and the inverse DCT against their limits.
QRgb extremePixel(std::mt19937 &random)
{
    switch (random() % 3) {
    case 0:
        return qRgb(random() % 2 * 255, random() % 2 * 255, random() % 2 * 255);
    case 1:
        return qRgb(random() % 4, random() % 4, random() % 4);
    default:
        return qRgb(252 + random() % 4, 252 + random() % 4, 252 + random() % 4);
    }
}

QImage picture(TContent content, int width, int height, quint32 seed)
{
    std::mt19937 random(seed);
    if (content == TContent::Scene)
        return DrawScene(seed, width, height);
    if (content == TContent::GreyScene)
        return DrawScene(seed, width, height).convertToFormat(QImage::Format_Grayscale8);
    QImage image(width, height, content == TContent::GreyNoise ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    const QRgb flat = random();
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (content == TContent::GreyNoise)
                row[x] = uchar(random());
            else
                reinterpret_cast<QRgb *>(row)[x] = content == TContent::Flat ? flat
                    : content == TContent::Noise                             ? QRgb(random())
                                                                             : extremePixel(random);
        }
    }
    return image;
}

// The formats pictures arrive in from the decoders: RGB32 and grey read directly, the others
// converted first.
QImage inFormat(const QImage &image, int variant)
{
    if (image.format() == QImage::Format_Grayscale8)
        return variant % 2 ? image.convertToFormat(QImage::Format_Indexed8) : image;
    static constexpr QImage::Format kFormats[]
        = { QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_ARGB32, QImage::Format_RGBX64 };
    QImage converted = image.convertToFormat(kFormats[variant % 4]);
    if (converted.format() == QImage::Format_ARGB32) {
        // Alpha is dropped on the way into the encoder.
        for (int y = 0; y < converted.height(); ++y)
            for (int x = 0; x < converted.width(); ++x)
                converted.scanLine(y)[4 * x + 3] = uchar(x * 37 + y * 11);
    }
    return converted;
}

int checkAgainstRoundTrip(const QImage &image, const std::string &what)
{
    int mismatches = 0;
    for (int scale : kScales) {
        const std::optional<QImage> shortcut = DetourShortcut(image, scale);
        const QImage reference = JpegDetour(image, scale, TJpegDetour::RoundTrip);
        // A few pixels alone, out of order and repeated, as the stretch asks for them.
        const std::vector<int> columns = { reference.width() - 1, 0, reference.width() / 2, 0 };
        const std::vector<int> rows = { reference.height() / 2, reference.height() - 1, 0 };
        const std::optional<QImage> sampled = DetourShortcut(image, scale, columns, rows);
        bool samplesMatch = sampled && sampled->size() == QSize(4, 3);
        for (int j = 0; samplesMatch && j < 3; ++j)
            for (int i = 0; i < 4; ++i)
                samplesMatch = samplesMatch && sampled->pixel(i, j) == reference.pixel(columns[i], rows[j]);
        if (!shortcut || *shortcut != reference || !samplesMatch) {
            ADD_FAILURE() << what << " " << image.width() << " x " << image.height() << " format " << image.format()
                          << " at 1/" << scale;
            ++mismatches;
        }
    }
    return mismatches;
}

}

TEST(JpegDetour, ShortcutMatchesTheRoundTripAtEverySmallSize)
{
    int mismatches = 0;
    int variant = 0;
    for (int width = 1; width <= 40 && mismatches < 5; ++width) {
        for (int height = 1; height <= 40; ++height) {
            for (TContent content : kContents) {
                const QImage image = inFormat(picture(content, width, height, quint32(width * 41 + height)), variant++);
                mismatches += checkAgainstRoundTrip(image, "content " + std::to_string(int(content)));
            }
        }
    }
}

TEST(JpegDetour, ShortcutMatchesTheRoundTripAtLargeOddSizes)
{
    const QSize sizes[] = { { 1001, 1003 }, { 2047, 1531 }, { 4001, 33 }, { 17, 3001 } };
    int variant = 0;
    for (QSize size : sizes) {
        for (TContent content : { TContent::Scene, TContent::Extreme, TContent::GreyNoise })
            checkAgainstRoundTrip(inFormat(picture(content, size.width(), size.height(), 7), variant++), "large");
    }
}

TEST(JpegDetour, OtherScalesTakeTheRoundTrip)
{
    const QImage image = DrawScene(5, 40, 30);
    for (int scale : { 1, 2 }) {
        EXPECT_FALSE(DetourShortcut(image, scale).has_value());
        EXPECT_EQ(JpegDetour(image, scale), JpegDetour(image, scale, TJpegDetour::RoundTrip));
    }
    EXPECT_FALSE(DetourShortcut(QImage(), 8).has_value());
}

TEST(JpegDetour, PicturesTooWideForJpegFailAsTheEncoderDoes)
{
    QImage tooWide(65501, 2, QImage::Format_RGB32);
    tooWide.fill(Qt::gray);
    for (QImage picture : { tooWide, tooWide.transformed(QTransform().rotate(90)) }) {
        EXPECT_FALSE(DetourShortcut(picture, 8).has_value());
        EXPECT_THROW(JpegDetour(picture, 8), TPictureError);
    }
}

TEST(JpegDetour, FilesSignTheSameEitherWay)
{
    QTemporaryDir folder;
    // 1/8, 1/4 and full scale.
    const QSize sizes[] = { { 1203, 1001 }, { 801, 503 }, { 400, 300 } };
    for (QSize size : sizes) {
        const QImage scene = DrawScene(quint32(size.width()), size.width(), size.height());
        const QString stem = folder.filePath(QString::number(size.width()));
        SavePicture(scene, stem + ".png", "png");
        SavePicture(scene, stem + ".tif", "tiff");
        WriteBytes(stem + ".bmp", EncodeBmp(scene));
        WriteBytes(stem + ".gif", EncodeGif(scene));
        for (const char *extension : { ".png", ".tif", ".bmp", ".gif" }) {
            const QByteArray path = QFile::encodeName(stem + extension);
            const auto shortcut = SignPictureVia(path, TSettings {}, TJpegDetour::Shortcut);
            const auto roundTrip = SignPictureVia(path, TSettings {}, TJpegDetour::RoundTrip);
            ASSERT_TRUE(shortcut && roundTrip) << path.constData();
            EXPECT_EQ(SignatureText(*shortcut), SignatureText(*roundTrip)) << path.constData();
        }
    }
}
