#include "formatfixtures.h"

#include <QBuffer>
#include <QtEndian>

#include <jxl/encode.h>
#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace
{

void require(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("fixture encoder failed: ") + what);
}

void requireHeif(const heif_error &error)
{
    require(error.code == heif_error_Ok, error.message ? error.message : "libheif");
}

// A libheif picture holding `source` as 8-bit RGB.
heif_image *heifPicture(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    heif_image *picture = nullptr;
    requireHeif(
        heif_image_create(image.width(), image.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture));
    requireHeif(heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8));
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, image.constScanLine(y), size_t(image.width()) * 3);
    return picture;
}

QByteArray encodeHeif(const QImage &image, heif_compression_format format, bool fast, const THeifExtras &extras)
{
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    heif_encoding_options *options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(extras.Orientation);
    heif_image *picture = nullptr;
    heif_image *thumbnail = nullptr;
    heif_image_handle *primary = nullptr;
    heif_image_handle *thumbnailHandle = nullptr;
    QByteArray bytes;
    const auto release = [&] {
        heif_image_handle_release(thumbnailHandle);
        heif_image_handle_release(primary);
        heif_image_release(thumbnail);
        heif_image_release(picture);
        heif_encoding_options_free(options);
        heif_encoder_release(encoder);
        heif_context_free(context);
    };
    try {
        requireHeif(heif_context_get_encoder_for_format(context, format, &encoder));
        requireHeif(heif_encoder_set_lossy_quality(encoder, 90));
        if (fast) {
            // Each encoder knows only its own speed setting; the other one's is refused.
            heif_encoder_set_parameter_string(encoder, "preset", "ultrafast");
            heif_encoder_set_parameter_integer(encoder, "speed", 9);
        }
        picture = heifPicture(image);
        requireHeif(heif_context_encode_image(context, picture, encoder, options, &primary));
        if (!extras.Thumbnail.isNull()) {
            // libheif scales into a square no larger than the thumbnail's longest side less one.
            thumbnail = heifPicture(extras.Thumbnail);
            requireHeif(heif_context_encode_thumbnail(context, thumbnail, primary, encoder, options,
                std::max(extras.Thumbnail.width(), extras.Thumbnail.height()) - 1, &thumbnailHandle));
        }
        heif_writer writer { 1, [](heif_context *, const void *data, size_t size, void *target) {
                                static_cast<QByteArray *>(target)->append(
                                    static_cast<const char *>(data), qsizetype(size));
                                return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
                            } };
        requireHeif(heif_context_write(context, &writer, &bytes));
    } catch (...) {
        release();
        throw;
    }
    release();
    return bytes;
}

// TIFF directory entries of the DNG, little-endian.
class TiffDirectory
{
public:
    void Add(quint16 tag, quint16 type, quint32 count, QByteArray values)
    {
        m_entries.push_back({ tag, type, count, std::move(values) });
    }
    void Short(quint16 tag, std::initializer_list<quint16> values)
    {
        QByteArray bytes;
        for (quint16 value : values)
            bytes += QByteArray(reinterpret_cast<const char *>(&value), 2);
        Add(tag, 3, quint32(values.size()), bytes);
    }
    void Long(quint16 tag, quint32 value) { Add(tag, 4, 1, QByteArray(reinterpret_cast<const char *>(&value), 4)); }
    void Text(quint16 tag, const QByteArray &text) { Add(tag, 2, quint32(text.size() + 1), text + '\0'); }
    void Rationals(quint16 tag, quint16 type, std::initializer_list<double> values)
    {
        QByteArray bytes;
        for (double value : values) {
            const qint32 parts[2] = { qint32(std::lround(value * 10000)), 10000 };
            bytes += QByteArray(reinterpret_cast<const char *>(parts), 8);
        }
        Add(tag, type, quint32(values.size()), bytes);
    }

    // The directory at `offset` in the file, followed by the values that do not fit an entry and by
    // `data`, which the strip offsets point at; `next` is the offset of the following directory, or 0.
    QByteArray Write(quint32 offset, quint16 stripOffsetsTag, const QByteArray &data, quint32 next)
    {
        const quint32 directorySize = 2 + 12 * quint32(m_entries.size()) + 4;
        quint32 overflow = offset + directorySize;
        for (const Entry &entry : m_entries)
            overflow += entry.values.size() > 4 ? quint32(entry.values.size() + 1) & ~1u : 0;
        for (Entry &entry : m_entries)
            if (entry.tag == stripOffsetsTag)
                entry.values = QByteArray(reinterpret_cast<const char *>(&overflow), 4);
        QByteArray directory;
        QByteArray extra;
        const quint16 count = quint16(m_entries.size());
        directory += QByteArray(reinterpret_cast<const char *>(&count), 2);
        for (const Entry &entry : m_entries) {
            directory += QByteArray(reinterpret_cast<const char *>(&entry.tag), 2);
            directory += QByteArray(reinterpret_cast<const char *>(&entry.type), 2);
            directory += QByteArray(reinterpret_cast<const char *>(&entry.count), 4);
            if (entry.values.size() <= 4) {
                directory += entry.values.leftJustified(4, '\0');
            } else {
                const quint32 at = offset + directorySize + quint32(extra.size());
                directory += QByteArray(reinterpret_cast<const char *>(&at), 4);
                extra += entry.values;
                if (extra.size() % 2)
                    extra += '\0';
            }
        }
        directory += QByteArray(reinterpret_cast<const char *>(&next), 4);
        QByteArray written = directory + extra + data;
        if (written.size() % 2)
            written += '\0';
        return written;
    }

private:
    struct Entry {
        quint16 tag;
        quint16 type;
        quint32 count;
        QByteArray values;
    };
    std::vector<Entry> m_entries;
};

}

QByteArray EncodeWebp(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    require(image.save(&buffer, "webp", 90), "Qt's WebP writer");
    return bytes;
}

QByteArray EncodeHeic(const QImage &image, bool fast, const THeifExtras &extras)
{
    return encodeHeif(image, heif_compression_HEVC, fast, extras);
}

QByteArray EncodeAvif(const QImage &image, bool fast, const THeifExtras &extras)
{
    return encodeHeif(image, heif_compression_AV1, fast, extras);
}

QImage CameraThumbnail(const QImage &image, int side)
{
    return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Closes `encoder`'s input, collects its file and destroys it; `ok` tells whether its input was taken.
QByteArray finishJxl(JxlEncoder *encoder, bool ok)
{
    JxlEncoderCloseInput(encoder);
    QByteArray bytes(64 * 1024, '\0');
    qsizetype written = 0;
    JxlEncoderStatus status = JXL_ENC_NEED_MORE_OUTPUT;
    while (ok && status == JXL_ENC_NEED_MORE_OUTPUT) {
        auto *next = reinterpret_cast<uint8_t *>(bytes.data()) + written;
        size_t room = size_t(bytes.size() - written);
        status = JxlEncoderProcessOutput(encoder, &next, &room);
        written = bytes.size() - qsizetype(room);
        if (status == JXL_ENC_NEED_MORE_OUTPUT)
            bytes.resize(bytes.size() * 2);
    }
    JxlEncoderDestroy(encoder);
    require(ok && status == JXL_ENC_SUCCESS, "libjxl");
    bytes.resize(written);
    return bytes;
}

// `source` on a canvas of `canvas` size, as a layer at its top left corner when the canvas is larger.
QByteArray encodeJxl(const QImage &source, QSize canvas, bool fast)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> pixels;
    pixels.reserve(size_t(image.width()) * size_t(image.height()) * 3);
    for (int y = 0; y < image.height(); ++y)
        pixels.insert(pixels.end(), image.constScanLine(y), image.constScanLine(y) + size_t(image.width()) * 3);
    JxlEncoder *encoder = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(canvas.width());
    info.ysize = uint32_t(canvas.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = JXL_FALSE;
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    JxlEncoderFrameSettings *settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
    const JxlPixelFormat format { 3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0 };
    JxlFrameHeader frame;
    JxlEncoderInitFrameHeader(&frame);
    frame.layer_info.have_crop = canvas != image.size();
    frame.layer_info.xsize = uint32_t(image.width());
    frame.layer_info.ysize = uint32_t(image.height());
    bool ok = JxlEncoderSetBasicInfo(encoder, &info) == JXL_ENC_SUCCESS
        && JxlEncoderSetFrameHeader(settings, &frame) == JXL_ENC_SUCCESS
        && JxlEncoderSetColorEncoding(encoder, &colour) == JXL_ENC_SUCCESS
        && JxlEncoderSetFrameDistance(settings, 1.0f) == JXL_ENC_SUCCESS
        && JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, fast ? 1 : 3) == JXL_ENC_SUCCESS
        && JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size()) == JXL_ENC_SUCCESS;
    return finishJxl(encoder, ok);
}

QByteArray EncodeJxl(const QImage &image, bool fast) { return encodeJxl(image, image.size(), fast); }

QByteArray EncodeJxlFromJpeg(const QByteArray &jpeg)
{
    JxlEncoder *encoder = JxlEncoderCreate(nullptr);
    const bool ok = JxlEncoderStoreJPEGMetadata(encoder, JXL_TRUE) == JXL_ENC_SUCCESS
        && JxlEncoderAddJPEGFrame(JxlEncoderFrameSettingsCreate(encoder, nullptr),
               reinterpret_cast<const uint8_t *>(jpeg.constData()), size_t(jpeg.size()))
            == JXL_ENC_SUCCESS;
    return finishJxl(encoder, ok);
}

QByteArray EncodeJxlCanvas(int width, int height)
{
    QImage layer(64, 64, QImage::Format_RGB888);
    layer.fill(Qt::darkCyan);
    return encodeJxl(layer, QSize(width, height), true);
}

namespace
{

// A DNG of `source` in linear light: three samples a pixel, or one through a Bayer pattern (RGGB)
// as a sensor records it.
QByteArray encodeDng(const QImage &source, const QImage &preview, quint16 orientation, bool mosaic)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    const int samples = mosaic ? 1 : 3;
    QByteArray pixels(qsizetype(image.width()) * image.height() * samples * 2, '\0');
    auto *sample = reinterpret_cast<quint16 *>(pixels.data());
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            for (int channel = 0; channel < 3; ++channel) {
                // Red on even rows and columns, blue on odd ones, green elsewhere.
                if (mosaic && channel != (y % 2) + (x % 2))
                    continue;
                // Linear light, as the sensor saw it before the converter's tone curve.
                qToLittleEndian(quint16(std::lround(std::pow(row[3 * x + channel] / 255.0, 2.2) * 65535)), sample++);
            }
    }
    constexpr quint16 kStripOffsets = 273;
    TiffDirectory directory;
    directory.Long(254, 0);
    directory.Long(256, quint32(image.width()));
    directory.Long(257, quint32(image.height()));
    if (mosaic)
        directory.Short(258, { 16 });
    else
        directory.Short(258, { 16, 16, 16 });
    directory.Short(259, { 1 });
    directory.Short(262, { quint16(mosaic ? 32803 : 34892) }); // colour filter array, linear raw
    directory.Text(271, "Quorvane");
    directory.Text(272, "Test Camera");
    directory.Long(kStripOffsets, 0);
    directory.Short(274, { orientation });
    directory.Short(277, { quint16(samples) });
    directory.Long(278, quint32(image.height()));
    directory.Long(279, quint32(pixels.size()));
    directory.Short(284, { 1 });
    if (mosaic) {
        directory.Short(33421, { 2, 2 });
        directory.Add(33422, 1, 4, QByteArray("\x00\x01\x01\x02", 4));
    }
    directory.Add(50706, 1, 4, QByteArray("\x01\x04\x00\x00", 4));
    directory.Text(50708, "Quorvane Test Camera");
    directory.Long(50717, 65535);
    // XYZ to linear sRGB: the camera's colours are sRGB's.
    directory.Rationals(50721, 10, { 3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570 });
    directory.Rationals(50728, 5, { 1, 1, 1 });
    directory.Short(50778, { 21 }); // D65
    const QByteArray header("II*\0\x08\0\0\0", 8);
    if (preview.isNull())
        return header + directory.Write(quint32(header.size()), kStripOffsets, pixels, 0);
    // The camera's own rendering, as a JPEG of the unturned picture in a second directory.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    require(preview.convertToFormat(QImage::Format_RGB888).save(&buffer, "jpg", 85), "Qt's JPEG writer");
    QByteArray raw = directory.Write(quint32(header.size()), kStripOffsets, pixels, 0);
    TiffDirectory previewDirectory;
    previewDirectory.Long(254, 1);
    previewDirectory.Long(256, quint32(preview.width()));
    previewDirectory.Long(257, quint32(preview.height()));
    previewDirectory.Short(258, { 8, 8, 8 });
    previewDirectory.Short(259, { 7 }); // JPEG
    previewDirectory.Short(262, { 6 }); // YCbCr
    previewDirectory.Long(kStripOffsets, 0);
    previewDirectory.Short(277, { 3 });
    previewDirectory.Long(278, quint32(preview.height()));
    previewDirectory.Long(279, quint32(jpeg.size()));
    const quint32 previewAt = quint32(header.size() + raw.size());
    raw = directory.Write(quint32(header.size()), kStripOffsets, pixels, previewAt);
    return header + raw + previewDirectory.Write(previewAt, kStripOffsets, jpeg, 0);
}

}

QByteArray EncodeLinearDng(const QImage &image, const QImage &preview, quint16 orientation)
{
    return encodeDng(image, preview, orientation, false);
}

QByteArray EncodeMosaicDng(const QImage &image, const QImage &preview) { return encodeDng(image, preview, 1, true); }
