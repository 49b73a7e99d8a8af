#include "previewjpeg.h"

#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>

namespace
{

// libjpeg reports fatal errors by longjmp back into the one function that called setjmp; those
// functions hold only plain C data, so no destructor is skipped.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jumpBuffer;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info)
{
    auto *manager = reinterpret_cast<JpegErrorManager *>(info->err);
    info->err->format_message(info, manager->message);
    longjmp(manager->jumpBuffer, 1);
}

// Warnings such as a premature end of data are not worth a line on standard error.
void JpegIgnoreMessage(j_common_ptr) { }

struct RawImage {
    unsigned char *pixels = nullptr; // RGB, 3 bytes per pixel, malloc'ed
    unsigned width = 0;
    unsigned height = 0;
};

bool DecodeRaw(const unsigned char *data, unsigned long size, int scaleDenominator, RawImage *out, char *message)
{
    jpeg_decompress_struct info;
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JpegErrorExit;
    errors.pub.output_message = JpegIgnoreMessage;
    unsigned char *volatile pixels = nullptr;
    unsigned char *volatile row = nullptr;
    if (setjmp(errors.jumpBuffer)) {
        std::free(pixels);
        std::free(row);
        jpeg_destroy_decompress(&info);
        std::strcpy(message, errors.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = scaleDenominator;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    const unsigned width = info.output_width;
    const unsigned height = info.output_height;
    const unsigned components = info.output_components;
    pixels = static_cast<unsigned char *>(std::malloc(size_t(width) * height * 3));
    row = static_cast<unsigned char *>(std::malloc(size_t(width) * components));
    if (!pixels || !row) {
        std::free(pixels);
        std::free(row);
        jpeg_destroy_decompress(&info);
        std::strcpy(message, "Out of memory");
        return false;
    }
    while (info.output_scanline < height) {
        JSAMPROW rows[1] = { row };
        const unsigned y = info.output_scanline;
        jpeg_read_scanlines(&info, rows, 1);
        unsigned char *target = pixels + size_t(y) * width * 3;
        for (unsigned x = 0; x < width; ++x) {
            if (cmyk) {
                // Adobe writes CMYK inverted: each byte already is 255 - ink.
                const unsigned black = row[x * 4 + 3];
                for (unsigned c = 0; c < 3; ++c)
                    target[x * 3 + c] = static_cast<unsigned char>(row[x * 4 + c] * black / 255);
            } else {
                std::memcpy(target + x * 3, row + x * 3, 3);
            }
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::free(row);
    out->pixels = pixels;
    out->width = width;
    out->height = height;
    return true;
}

bool EncodeRaw(const unsigned char *rgb, unsigned width, unsigned height, unsigned stride, int quality,
    unsigned char **jpeg, unsigned long *jpegSize, char *message)
{
    jpeg_compress_struct info;
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JpegErrorExit;
    errors.pub.output_message = JpegIgnoreMessage;
    if (setjmp(errors.jumpBuffer)) {
        jpeg_destroy_compress(&info);
        std::free(*jpeg);
        *jpeg = nullptr;
        std::strcpy(message, errors.message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, jpeg, jpegSize);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < height) {
        JSAMPROW rows[1] = { const_cast<unsigned char *>(rgb + size_t(info.next_scanline) * stride) };
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

QByteArray EncodePreviewJpeg(const QImage &picture, int quality)
{
    if (picture.isNull())
        throw std::runtime_error("Empty picture");
    // Transparent areas are shown on white, as a JPEG cannot hold them.
    QImage opaque(picture.size(), QImage::Format_RGB888);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, picture);
    }
    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    char message[JMSG_LENGTH_MAX] = {};
    if (!EncodeRaw(opaque.constBits(), unsigned(opaque.width()), unsigned(opaque.height()),
            unsigned(opaque.bytesPerLine()), quality, &jpeg, &jpegSize, message))
        throw std::runtime_error(message);
    QByteArray result(reinterpret_cast<const char *>(jpeg), qsizetype(jpegSize));
    std::free(jpeg);
    return result;
}

QImage DecodePreviewJpeg(const QByteArray &jpeg, int scaleDenominator)
{
    RawImage raw;
    char message[JMSG_LENGTH_MAX] = {};
    if (!DecodeRaw(reinterpret_cast<const unsigned char *>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()),
            scaleDenominator, &raw, message))
        throw std::runtime_error(message);
    QImage result(
        raw.pixels, int(raw.width), int(raw.height), int(raw.width * 3), QImage::Format_RGB888, std::free, raw.pixels);
    return result.convertToFormat(QImage::Format_RGB32);
}
