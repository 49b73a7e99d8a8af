#include "engine/base/pictureerror.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/picturereader.h"
#include "engine/sign/signpicture.h"
#include "formatfixtures.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace
{

// Four quarters of their own colours, so that a turn or a mirror shows in the corners.
QImage quarters(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::yellow);
    return image;
}

// The colour near each corner, each channel rounded to the nearest of 0 and 255.
std::vector<QRgb> corners(const QImage &picture)
{
    std::vector<QRgb> colours;
    const int dx = picture.width() / 8;
    const int dy = picture.height() / 8;
    for (const QPoint at : { QPoint(dx, dy), QPoint(picture.width() - dx, dy), QPoint(dx, picture.height() - dy),
             QPoint(picture.width() - dx, picture.height() - dy) }) {
        const QRgb pixel = picture.pixel(at);
        const auto level = [](int value) { return value < 128 ? 0 : 255; };
        colours.push_back(qRgb(level(qRed(pixel)), level(qGreen(pixel)), level(qBlue(pixel))));
    }
    return colours;
}

// The score S of `content`'s signature against the JPEG of `scene` at quality 92.
double scoreAgainstJpeg(const QImage &scene, const TSignedContent &content)
{
    const TSignedContent jpeg = SignContent("twin.jpg", EncodeJpeg(scene), TSettings {});
    TPicInfo earlier;
    earlier.WaveletCoefsPos = jpeg.Signature.WaveletCoefsPos;
    earlier.WaveletCoefsNeg = jpeg.Signature.WaveletCoefsNeg;
    TSignMatrix matrix;
    RebuildWaveletMatrix(content.Signature.WaveletCoefsPos, content.Signature.WaveletCoefsNeg, matrix);
    return WaveletScore(earlier, matrix);
}

// Signs `bytes` twice, expects the same signature both times and the whole picture's size.
TSignedContent signTwice(const QByteArray &name, const QByteArray &bytes, QSize whole)
{
    const TSignedContent first = SignContent(name, bytes, TSettings {});
    const TSignedContent second = SignContent(name, bytes, TSettings {});
    EXPECT_TRUE(first.Loaded && first.HasWavelets) << name.data();
    EXPECT_EQ(first.Signature.WaveletCoefsPos, second.Signature.WaveletCoefsPos) << name.data();
    EXPECT_EQ(first.Signature.WaveletCoefsNeg, second.Signature.WaveletCoefsNeg) << name.data();
    EXPECT_EQ(QSize(first.Signature.Width, first.Signature.Height), whole) << name.data();
    return first;
}

}

TEST(ReducedSources, AHeifThumbnailSignsOnlyWhenLargeEnoughAndOfTheWholePicturesShape)
{
    const QImage scene = DrawScene(5, 640, 480);
    const struct {
        const char *name;
        QImage thumbnail;
        const char *origin;
    } cases[] = {
        { "faithful.heic", CameraThumbnail(scene, 320), "thumbnail" },
        { "faithful.avif", CameraThumbnail(scene, 320), "thumbnail" },
        { "too_small.heic", CameraThumbnail(scene, 120), "full" },
        { "other_shape.heic", scene.scaled(320, 200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), "full" },
        { "none.heic", QImage(), "full" },
    };
    for (const auto &[name, thumbnail, origin] : cases) {
        const QByteArray file = QByteArray(name).endsWith(".avif") ? EncodeAvif(scene, false, { thumbnail })
                                                                   : EncodeHeic(scene, false, { thumbnail });
        const TPictureSource signing = ReadPictureBytes(name, file, SigningRequest());
        EXPECT_STREQ(signing.Origin, origin) << name;
        if (QByteArray(origin) == "thumbnail") {
            EXPECT_EQ(signing.FullSize, scene.size()) << name;
        }
        // The preview shows the whole picture.
        const TPictureSource preview = ReadPictureBytes(name, file);
        EXPECT_STREQ(preview.Origin, "full") << name;
        EXPECT_EQ(preview.Picture.size(), scene.size()) << name;
        EXPECT_GE(scoreAgainstJpeg(scene, signTwice(name, file, scene.size())), 85) << name;
    }
    // A file cut short is refused for signing as for the preview.
    const QByteArray cut = EncodeHeic(scene, false, { CameraThumbnail(scene, 320) }).chopped(16);
    EXPECT_THROW(ReadPictureBytes("cut.heic", cut, SigningRequest()), TPictureError);
}

TEST(ReducedSources, ThumbnailsAndTheDcImageAreTurnedAsTheWholePicture)
{
    const QImage stored = quarters(640, 480);
    // EXIF orientation 6: shown turned a quarter clockwise.
    const QByteArray heic = EncodeHeic(stored, false, { CameraThumbnail(stored, 320), 6 });
    const TPictureSource thumbnail = ReadPictureBytes("turned.heic", heic, SigningRequest());
    const TPictureSource whole = ReadPictureBytes("turned.heic", heic);
    EXPECT_STREQ(thumbnail.Origin, "thumbnail");
    EXPECT_EQ(thumbnail.FullSize, QSize(480, 640));
    EXPECT_EQ(thumbnail.Picture.size(), QSize(238, 318));
    EXPECT_EQ(corners(thumbnail.Picture), corners(whole.Picture));

    const QByteArray jxl = EncodeJxl(stored, false, false, 6);
    const TPictureSource dc = ReadPictureBytes("turned.jxl", jxl, SigningRequest());
    EXPECT_STREQ(dc.Origin, "DC");
    EXPECT_EQ(dc.Picture.size(), QSize(480, 640));
    EXPECT_EQ(corners(dc.Picture), corners(ReadPictureBytes("turned.jxl", jxl).Picture));
}

TEST(ReducedSources, ALossyJpegXlSignsFromItsDcAndALosslessOneFromTheWholePicture)
{
    const QImage scene = DrawScene(9, 640, 480);
    const struct {
        const char *name;
        bool lossless;
        const char *origin;
    } cases[] = { { "lossy.jxl", false, "DC" }, { "lossless.jxl", true, "full" } };
    for (const auto &[name, lossless, origin] : cases) {
        const QByteArray file = EncodeJxl(scene, false, lossless);
        EXPECT_STREQ(ReadPictureBytes(name, file, SigningRequest()).Origin, origin) << name;
        EXPECT_STREQ(ReadPictureBytes(name, file).Origin, "full") << name;
        EXPECT_GE(scoreAgainstJpeg(scene, signTwice(name, file, scene.size())), 85) << name;
        // A file cut short after its DC is refused, as the whole decoding refuses it.
        EXPECT_THROW(ReadPictureBytes(name, file.chopped(16), SigningRequest()), TPictureError) << name;
    }
}

TEST(ReducedSources, AJpegXlWhoseDecodingWouldExceedTheMemoryBudgetIsRefusedBeforeDecoding)
{
    const QByteArray bomb = EncodeJxlCanvas(16384, 16384);
    ASSERT_LT(bomb.size(), 4096);
    for (const TPictureRequest &request : { SigningRequest(), TPictureRequest {} }) {
        try {
            ReadPictureBytes("bomb.jxl", bomb, request);
            FAIL() << "a 16384 x 16384 picture needs 1 GB";
        } catch (const TPictureError &error) {
            EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
        }
    }
    // A canvas within the budget decodes.
    EXPECT_EQ(ReadPictureBytes("canvas.jxl", EncodeJxlCanvas(2048, 2048)).Picture.size(), QSize(2048, 2048));
}
