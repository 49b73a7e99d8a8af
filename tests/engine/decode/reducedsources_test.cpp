#include "engine/base/pictureerror.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/picturereader.h"
#include "engine/sign/signpicture.h"
#include "formatfixtures.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QPainter>
#include <QtEndian>

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

// `jpeg` with an EXIF block whose orientation tag says `orientation`, as a camera writes one.
QByteArray withExifOrientation(const QByteArray &jpeg, quint8 orientation)
{
    // APP1 and its length, "Exif", a little-endian TIFF header, one entry (tag 274, one short), no next directory.
    const QByteArray exif = QByteArray::fromHex("ffe10022457869660000"
                                                "49492a0008000000"
                                                "0100120103000100000000000000000000000000")
                                .replace(28, 1, QByteArray(1, char(orientation)));
    return jpeg.left(2) + exif + jpeg.mid(2);
}

// `jxl` with the content of its JPEG reconstruction box overwritten.
QByteArray garbledJpegData(QByteArray jxl)
{
    const qsizetype type = jxl.indexOf("jbrd");
    EXPECT_GT(type, 4);
    const qsizetype end = type - 4 + qFromBigEndian<quint32>(jxl.constData() + type - 4);
    for (qsizetype at = type + 4; at < end; ++at)
        jxl[at] = char(0x5A ^ at);
    return jxl;
}

// The reason reading `bytes` as `name` is refused for, or "read" when it is not.
std::string refusal(const QByteArray &name, const QByteArray &bytes, const TPictureRequest &request)
{
    try {
        ReadPictureBytes(name, bytes, request);
        return "read";
    } catch (const TPictureError &error) {
        return error.what();
    }
}

}

TEST(ReducedSources, AJpegXlTranscodedFromAJpegSignsFromThatJpegWhereItShowsTheSamePicture)
{
    const QImage scene = DrawScene(7, 640, 480);
    const QByteArray jpeg = EncodeJpeg(scene);
    const QByteArray jxl = EncodeJxlFromJpeg(jpeg);
    const TPictureSource signing = ReadPictureBytes("transcoded.jxl", jxl, SigningRequest());
    EXPECT_STREQ(signing.Origin, "JPEG");
    EXPECT_EQ(signing.JpegData, jpeg);
    EXPECT_FALSE(signing.FullSize.isValid());
    const TSignedContent transcoded = signTwice("transcoded.jxl", jxl, scene.size());
    const TSignedContent original = SignContent("original.jpg", jpeg, TSettings {});
    EXPECT_EQ(transcoded.Signature.WaveletCoefsPos, original.Signature.WaveletCoefsPos);
    EXPECT_EQ(transcoded.Signature.WaveletCoefsNeg, original.Signature.WaveletCoefsNeg);
    const TPictureSource preview = ReadPictureBytes("transcoded.jxl", jxl);
    EXPECT_STREQ(preview.Origin, "full");
    EXPECT_EQ(preview.Picture.size(), scene.size());

    // Signing decodes the pixels, as the preview does, of a file holding no JPEG, of one whose JPEG
    // is shown turned, and of one whose JPEG data is broken while its picture is whole.
    const struct {
        const char *name;
        QByteArray file;
        QSize shown;
    } pixelCases[] = {
        { "encoded.jxl", EncodeJxl(scene), scene.size() },
        { "turned.jxl", EncodeJxlFromJpeg(withExifOrientation(jpeg, 6)), scene.size().transposed() },
        { "garbled_jbrd.jxl", garbledJpegData(jxl), scene.size() },
    };
    for (const auto &[name, file, shown] : pixelCases) {
        const TPictureSource pixels = ReadPictureBytes(name, file, SigningRequest());
        EXPECT_STREQ(pixels.Origin, "full") << name;
        EXPECT_EQ(pixels.Picture.size(), shown) << name;
        EXPECT_EQ(pixels.Picture, ReadPictureBytes(name, file).Picture) << name;
    }
    // A file cut short is refused for signing as for the preview.
    const QByteArray cut = jxl.left(jxl.size() / 2);
    EXPECT_EQ(refusal("cut.jxl", cut, SigningRequest()), refusal("cut.jxl", cut, {}));
    EXPECT_NE(refusal("cut.jxl", cut, {}), "read");
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
    // A thumbnail reduced more than the JPEG path's 1:8 signs too far from the JPEG twin.
    const QImage large = DrawScene(6, 1600, 1200);
    EXPECT_STREQ(
        ReadPictureBytes("tenth.heic", EncodeHeic(large, true, { CameraThumbnail(large, 200) }), SigningRequest())
            .Origin,
        "full");
    // A file cut short is refused for signing as for the preview.
    const QByteArray cut = EncodeHeic(scene, false, { CameraThumbnail(scene, 320) }).chopped(16);
    EXPECT_THROW(ReadPictureBytes("cut.heic", cut, SigningRequest()), TPictureError);
}

TEST(ReducedSources, AThumbnailIsTurnedAsTheWholePicture)
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
