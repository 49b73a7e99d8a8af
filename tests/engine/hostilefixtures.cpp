#include "hostilefixtures.h"

#include "picturefixtures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace
{

constexpr qsizetype kPngSignatureSize = 8;
constexpr qsizetype kChunkHeaderSize = 8;
constexpr int kJpegQuality = 90;
// Header, logical screen descriptor and a 256-entry global colour table.
constexpr qsizetype kGifHeaderSize = 6 + 7 + 3 * 256;

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// Writes with libjpeg directly, so that the colour space and the scan script are ours to choose.
QByteArray compress(const QImage &image, bool progressive, bool cmyk)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr errors {};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &output, &size);
    cinfo.image_width = rgb.width();
    cinfo.image_height = rgb.height();
    cinfo.input_components = cmyk ? 4 : 3;
    cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kJpegQuality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    // libjpeg marks CMYK with the Adobe marker, whose convention stores ink inverted.
    cinfo.write_Adobe_marker = cmyk;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row;
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar *pixel = rgb.constScanLine(int(cinfo.next_scanline));
        row.clear();
        for (int x = 0; x < rgb.width(); ++x, pixel += 3) {
            if (cmyk)
                row.insert(row.end(), { pixel[0], pixel[1], pixel[2], 255 });
            else
                row.insert(row.end(), { pixel[0], pixel[1], pixel[2] });
        }
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    const QByteArray jpeg(reinterpret_cast<const char *>(output), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    std::free(output);
    return jpeg;
}

void put16(QByteArray &bytes, quint16 value)
{
    char buffer[2];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 2);
}

void put32(QByteArray &bytes, quint32 value)
{
    char buffer[4];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 4);
}

}

QByteArray PngWithClaimedSize(quint32 width, quint32 height)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(QImage(2, 2, QImage::Format_RGB32));
    // IHDR is the first chunk: length, type, width, height, ..., CRC over type and data.
    const qsizetype typeAt = kPngSignatureSize + 4;
    png.replace(typeAt + 4, 4, bigEndian32(width));
    png.replace(typeAt + 8, 4, bigEndian32(height));
    const quint32 dataLength = qFromBigEndian<quint32>(png.constData() + kPngSignatureSize);
    const QByteArray crc = bigEndian32(crc32(png.mid(typeAt, 4 + dataLength)));
    png.replace(kPngSignatureSize + kChunkHeaderSize + dataLength, 4, crc);
    return png;
}

QByteArray ProgressiveJpegWithScans(const QImage &image, int scans)
{
    const QByteArray jpeg = compress(image, true, false);
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA");
    const qsizetype end = jpeg.lastIndexOf("\xFF\xD9");
    const int written = int(jpeg.count("\xFF\xDA"));
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    return jpeg.left(end) + scan.repeated(std::max(scans - written, 0)) + jpeg.mid(end);
}

QByteArray CmykJpeg(const QImage &image) { return compress(image, false, true); }

QByteArray AnimatedGif(const QList<QImage> &frames)
{
    QByteArray gif = EncodeGif(frames.first());
    gif.chop(1);
    for (qsizetype i = 1; i < frames.size(); ++i) {
        const QByteArray next = EncodeGif(frames[i]);
        gif += next.mid(kGifHeaderSize, next.size() - kGifHeaderSize - 1);
    }
    return gif + ';';
}

QByteArray MultiPageTiff(const QList<QImage> &pages)
{
    enum : quint16 { kShort = 3, kLong = 4 };
    struct Entry {
        quint16 tag, type;
        quint32 count, value;
    };
    QByteArray tiff("II");
    put16(tiff, 42);
    qsizetype nextIfdLink = tiff.size();
    put32(tiff, 0);
    for (const QImage &page : pages) {
        const QImage rgb = page.convertToFormat(QImage::Format_RGB888);
        const quint32 bitsAt = quint32(tiff.size());
        put16(tiff, 8);
        put16(tiff, 8);
        put16(tiff, 8);
        const quint32 pixelsAt = quint32(tiff.size());
        for (int y = 0; y < rgb.height(); ++y)
            tiff.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 3);
        if (tiff.size() % 2)
            tiff += '\0';
        const quint32 pixelBytes = quint32(rgb.width() * rgb.height() * 3);
        const Entry entries[] = { { 256, kLong, 1, quint32(rgb.width()) }, { 257, kLong, 1, quint32(rgb.height()) },
            { 258, kShort, 3, bitsAt }, { 259, kShort, 1, 1 }, { 262, kShort, 1, 2 }, { 273, kLong, 1, pixelsAt },
            { 277, kShort, 1, 3 }, { 278, kLong, 1, quint32(rgb.height()) }, { 279, kLong, 1, pixelBytes },
            { 284, kShort, 1, 1 } };
        const quint32 ifdAt = quint32(tiff.size());
        qToLittleEndian(ifdAt, tiff.data() + nextIfdLink);
        put16(tiff, quint16(std::size(entries)));
        for (const Entry &entry : entries) {
            put16(tiff, entry.tag);
            put16(tiff, entry.type);
            put32(tiff, entry.count);
            // A single SHORT sits left-justified in the value field.
            if (entry.type == kShort && entry.count == 1) {
                put16(tiff, quint16(entry.value));
                put16(tiff, 0);
            } else {
                put32(tiff, entry.value);
            }
        }
        nextIfdLink = tiff.size();
        put32(tiff, 0);
    }
    return tiff;
}
