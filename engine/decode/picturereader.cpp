#include "engine/decode/picturereader.h"

#include "engine/base/catalogue.h"
#include "engine/base/decodinglimits.h"
#include "engine/base/picturedecoder.h"
#include "engine/base/pictureerror.h"
#include "engine/base/rawpathfile.h"
#include "engine/base/wholefileread.h"
#include "engine/decode/formatdecoders.h"
#include "engine/decode/jpegcodec.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cstdlib>
#include <mutex>
#include <optional>

namespace
{

void openPicture(QFile &file, const QByteArray &path)
{
    if (!OpenForReading(file, path))
        throw TPictureError("the file cannot be opened or is not a regular file");
}

// A picture's file, or its bytes when the caller has read them already.
struct TPictureFile {
    const QByteArray &Path;
    const QByteArray *Bytes = nullptr;
};

QByteArray readWholeFile(const TPictureFile &picture)
{
    if (picture.Bytes) {
        if (picture.Bytes->size() > kMaxWholeFileBytes)
            throw TPictureError("the file is too large");
        return *picture.Bytes;
    }
    const QByteArray &path = picture.Path;
    QFile file;
    openPicture(file, path);
    QByteArray bytes;
    switch (ReadWholeFile(file, bytes)) {
    case TWholeFileRead::Read:
        return bytes;
    case TWholeFileRead::TooLarge:
        throw TPictureError("the file is too large");
    case TWholeFileRead::Failed:
        break;
    }
    throw TPictureError(file.errorString().toStdString());
}

void limitReaderAllocation()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(kReaderAllocationLimitMb); });
}

// `format` empty lets the reader decide from the content (TIFF, whose codec is chosen that way).
QImage readWithQt(const TPictureFile &picture, const QByteArray &format)
{
    limitReaderAllocation();
    QFile file;
    QBuffer buffer;
    QIODevice *device = &file;
    if (picture.Bytes) {
        buffer.setData(*picture.Bytes);
        buffer.open(QIODevice::ReadOnly);
        device = &buffer;
    } else {
        openPicture(file, picture.Path);
    }
    QImageReader reader(device, format);
    // A named decoder must not hand the file to another one that recognises its content.
    if (!format.isEmpty())
        reader.setAutoDetectImageFormat(false);
    // A reader that cannot tell the size up front is held by the allocation limit alone.
    const QSize claimed = reader.size();
    if (claimed.isValid() && !PictureSizeAllowed(claimed.width(), claimed.height()))
        throw TPictureError("the picture is empty or too large");
    QImage image = reader.read();
    if (image.isNull())
        throw TPictureError(reader.errorString().toStdString());
    return image;
}

TPictureSource readPicture(const TPictureFile &picture, TPictureDecoder decoder, const TPictureRequest &request)
{
    TPictureSource source;
    switch (decoder) {
    case TPictureDecoder::Jpeg:
        source.JpegData = readWholeFile(picture);
        break;
    case TPictureDecoder::Png:
        source.Picture = readWithQt(picture, "png");
        break;
    case TPictureDecoder::Tiff:
        source.Picture = readWithQt(picture, QByteArray());
        break;
    case TPictureDecoder::Bmp:
        source.Picture = readWithQt(picture, "bmp");
        break;
    case TPictureDecoder::Gif:
        source.Picture = readWithQt(picture, "gif");
        break;
    // Signing decodes through libwebp, which scales while decoding; the preview keeps Qt's reader.
    case TPictureDecoder::Webp:
        if (std::optional<TPictureSource> decoded
            = request.MinSide > 0 ? DecodeWebp(readWholeFile(picture), request) : std::nullopt)
            source = std::move(*decoded);
        else
            source.Picture = readWithQt(picture, "webp");
        break;
    case TPictureDecoder::Heif:
        source = DecodeHeif(readWholeFile(picture), request);
        break;
    case TPictureDecoder::Jxl:
        source = DecodeJxl(readWholeFile(picture), request);
        break;
    // LibRaw reads from memory, so that it never opens a FIFO itself.
    case TPictureDecoder::Raw:
        source = DecodeRaw(readWholeFile(picture), request);
        break;
    case TPictureDecoder::None:
        throw TPictureError("unknown picture type");
    }
    return source;
}

}

TPictureSource WholePicture(QImage picture)
{
    TPictureSource source;
    source.Picture = std::move(picture);
    return source;
}

TPictureRequest SigningRequest()
{
    constexpr int kJpegPathReduction = 8;
    return { kWorkBitmapSize, kJpegPathReduction };
}

bool ReducedPictureFits(QSize reduced, QSize full, const TPictureRequest &request)
{
    if (request.MinSide <= 0 || reduced.width() < request.MinSide || reduced.height() < request.MinSide
        || full.isEmpty())
        return false;
    if (request.MaxReduction > 0
        && (qint64(reduced.width()) * request.MaxReduction < full.width()
            || qint64(reduced.height()) * request.MaxReduction < full.height()))
        return false;
    // Cross-multiplied: |w/h - W/H| <= 1% of W/H.
    const qint64 difference = qint64(reduced.width()) * full.height() - qint64(full.width()) * reduced.height();
    return 100 * std::llabs(difference) <= qint64(full.width()) * reduced.height();
}

TPictureSource ReadPictureFile(const QByteArray &path, const TPictureRequest &request)
{
    return readPicture({ path }, DecoderOf(path), request);
}

TPictureSource ReadPictureBytes(const QByteArray &path, const QByteArray &bytes, const TPictureRequest &request)
{
    return readPicture({ path, &bytes }, DecoderOf(path), request);
}

QByteArray ReadWholePictureFile(const QByteArray &path)
{
    if (DecoderOf(path) == TPictureDecoder::None)
        throw TPictureError("unknown picture type");
    return readWholeFile({ path });
}
