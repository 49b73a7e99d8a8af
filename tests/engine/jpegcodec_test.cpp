#include "jpegcodec.h"
#include "pictureerror.h"
#include "picturefixtures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include <cstdio>

#include <jpeglib.h>

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

QByteArray progressiveJpeg()
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(DrawScene(21, 64, 48)));
    return jpeg;
}

// Repeats the last scan of a progressive JPEG so that the file holds `extra` more scans.
QByteArray withRepeatedLastScan(const QByteArray &jpeg, int extra)
{
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA");
    const qsizetype end = jpeg.lastIndexOf("\xFF\xD9");
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    return jpeg.left(end) + scan.repeated(extra) + jpeg.mid(end);
}

QByteArray adobeCmykJpeg(uchar c, uchar m, uchar y, uchar k)
{
    constexpr int kSide = 16;
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr errors {};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &output, &size);
    cinfo.image_width = kSide;
    cinfo.image_height = kSide;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row;
    for (int x = 0; x < kSide; ++x)
        row.insert(row.end(), { c, m, y, k });
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    const QByteArray jpeg(reinterpret_cast<const char *>(output), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    std::free(output);
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
    const QByteArray jpeg = progressiveJpeg();
    EXPECT_EQ(DecodeJpeg(withRepeatedLastScan(jpeg, 400), 1).size(), QSize(64, 48));
    EXPECT_THROW(DecodeJpeg(withRepeatedLastScan(jpeg, 600), 1), TPictureError);
}

TEST(JpegCodec, AdobeCmykIsReadInverted)
{
    // Inverted CMYK: 255 means no ink. No cyan ink, full magenta and yellow, no black: red.
    const QImage red = DecodeJpeg(adobeCmykJpeg(255, 0, 0, 255), 1);
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
