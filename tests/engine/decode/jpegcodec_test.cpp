#include "engine/base/pictureerror.h"
#include "engine/decode/jpegcodec.h"
#include "hostilefixtures.h"
#include "picturefixtures.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace
{

QByteArray withClaimedSize(QByteArray jpeg, quint16 width, quint16 height)
{
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    EXPECT_GT(frame, 0);
    // Marker, length (2), precision (1), then height and width.
    qToBigEndian(height, jpeg.data() + frame + 5);
    qToBigEndian(width, jpeg.data() + frame + 7);
    return jpeg;
}

}

TEST(JpegCodec, HeaderSizesBeyondTheLimitAreRefused)
{
    const QByteArray small = EncodeJpeg(DrawScene(20, 64, 48));
    EXPECT_EQ(ReadJpegSize(withClaimedSize(small, 17000, 17000)).Width, 17000);
    EXPECT_THROW(ReadJpegSize(withClaimedSize(small, 20000, 20000)), TPictureError);
    EXPECT_THROW(DecodeJpeg(withClaimedSize(small, 20000, 20000), 8), TPictureError);
    EXPECT_THROW(ReadJpegSize(withClaimedSize(small, 0, 48)), TPictureError);
    EXPECT_THROW(ReadJpegSize(QByteArray()), TPictureError);
}

TEST(JpegCodec, EndlessProgressiveScansAreCut)
{
    // libjpeg's simple progression writes ten scans; the rest repeat the last one.
    const QImage scene = DrawScene(21, 64, 48);
    EXPECT_EQ(DecodeJpeg(ProgressiveJpegWithScans(scene, 410), 1).size(), QSize(64, 48));
    EXPECT_THROW(DecodeJpeg(ProgressiveJpegWithScans(scene, 610), 1), TPictureError);
}

TEST(JpegCodec, CompleteScanDataDecidesNotTheEndMarker)
{
    const QImage scene = DrawScene(22, 320, 240);
    const QByteArray endMarker("\xFF\xD9");
    const QByteArray progressive = ProgressiveJpegWithScans(scene, 0);
    for (const QByteArray &jpeg : { EncodeJpeg(scene), progressive }) {
        ASSERT_TRUE(jpeg.endsWith(endMarker));
        EXPECT_EQ(DecodeJpeg(jpeg.chopped(2), 1).size(), QSize(320, 240));
        const QByteArray tenth = jpeg.left(jpeg.size() / 10);
        EXPECT_THROW(DecodeJpeg(tenth, 1), TPictureError);
        EXPECT_THROW(DecodeJpeg(tenth + endMarker, 1), TPictureError);
    }
    // Every scan but the last refinement: the picture is there, but not all of it.
    const QByteArray withoutLastScan = progressive.left(progressive.lastIndexOf("\xFF\xDA"));
    EXPECT_THROW(DecodeJpeg(withoutLastScan, 1), TPictureError);
    EXPECT_THROW(DecodeJpeg(withoutLastScan + endMarker, 1), TPictureError);
}

TEST(JpegCodec, AdobeCmykIsReadInverted)
{
    // Inverted CMYK: 255 means no ink. The fixture stores red as no cyan ink, full magenta and
    // yellow, no black.
    QImage drawn(16, 16, QImage::Format_RGB888);
    drawn.fill(QColor(255, 0, 0));
    const QImage red = DecodeJpeg(CmykJpeg(drawn), 1);
    ASSERT_EQ(red.format(), QImage::Format_RGB888);
    const uchar *pixel = red.constScanLine(8) + 3 * 8;
    EXPECT_NEAR(pixel[0], 255, 3);
    EXPECT_NEAR(pixel[1], 0, 3);
    EXPECT_NEAR(pixel[2], 0, 3);
}

TEST(JpegCodec, EncodesBaselineColourAndDropsAlpha)
{
    QImage translucent(40, 30, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 200, 30, 128));
    const QByteArray jpeg = EncodeJpeg(translucent);
    EXPECT_TRUE(jpeg.contains("\xFF\xC0")) << "baseline frame";
    EXPECT_FALSE(jpeg.contains("\xFF\xC2"));
    const QImage decoded = DecodeJpeg(jpeg, 1);
    EXPECT_EQ(decoded.size(), QSize(40, 30));
    EXPECT_NEAR(decoded.constScanLine(15)[3 * 20 + 1], 200, 4);
    EXPECT_THROW(EncodeJpeg(QImage()), TPictureError);
}
