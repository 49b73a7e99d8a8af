#include "previewpicture.h"

#include "decodinglimits.h"
#include "jpegcodec.h"
#include "pictureerror.h"
#include "rawpathfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPen>

#include <libraw/libraw.h>

#include <memory>

namespace
{

enum {
    kQuarterScaleMinHeight = 1500,
    kQuarterScaleMinWidth = 2000,
    kHalfScaleMinSide = 1000,
    kFrameDivisor = 20,
    kMinFramePenWidth = 2,
};

QString ShownName(const QByteArray &fullPath) { return QFile::decodeName(fullPath); }

[[noreturn]] void Fail(const QByteArray &fullPath, const QString &reason)
{
    throw TPictureError(QStringLiteral("Cannot open file \"%1\". %2").arg(ShownName(fullPath), reason).toStdString());
}

QString UpperExtension(const QByteArray &fullPath)
{
    const QString name = QFileInfo(ShownName(fullPath)).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

QImage ReadWithQt(QImageReader &reader, const QByteArray &fullPath)
{
    QImageReader::setAllocationLimit(kReaderAllocationLimitMb);
    const QSize claimed = reader.size();
    if (claimed.isValid() && !PictureSizeAllowed(claimed.width(), claimed.height()))
        Fail(fullPath, QStringLiteral("The picture is empty or too large."));
    QImage picture = reader.read();
    if (picture.isNull())
        Fail(fullPath, reader.errorString());
    return picture;
}

QByteArray ReadWholeFile(const QByteArray &fullPath)
{
    // Opened by its raw bytes, and never a FIFO that would block the window.
    QFile file;
    if (!OpenForReading(file, fullPath))
        Fail(fullPath, QStringLiteral("The file cannot be opened."));
    if (file.size() > kMaxWholeFileBytes)
        Fail(fullPath, QStringLiteral("The file is too large."));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Fail(fullPath, file.errorString());
    return bytes;
}

bool IsJpegData(const QByteArray &bytes) { return bytes.startsWith("\xFF\xD8\xFF"); }

QImage ReadRawPicture(const QByteArray &fullPath)
{
    // LibRaw's object is large; keep it off the stack.
    auto processor = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    processor->imgdata.params.max_raw_memory_mb = kRawMemoryLimitMb;
    int status = processor->open_file(fullPath.constData());
    const libraw_image_sizes_t &sizes = processor->imgdata.sizes;
    if (status == LIBRAW_SUCCESS
        && (!PictureSizeAllowed(sizes.raw_width, sizes.raw_height) || !PictureSizeAllowed(sizes.width, sizes.height)))
        Fail(fullPath, QStringLiteral("The picture is empty or too large."));
    if (status == LIBRAW_SUCCESS)
        status = processor->unpack();
    if (status == LIBRAW_SUCCESS)
        status = processor->dcraw_process();
    if (status != LIBRAW_SUCCESS)
        Fail(fullPath, QString::fromUtf8(libraw_strerror(status)));
    libraw_processed_image_t *processed = processor->dcraw_make_mem_image(&status);
    if (!processed || processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->bits != 8) {
        LibRaw::dcraw_clear_mem(processed);
        Fail(fullPath, QString::fromUtf8(libraw_strerror(status)));
    }
    QImage picture
        = QImage(processed->data, processed->width, processed->height, processed->width * 3, QImage::Format_RGB888)
              .copy();
    LibRaw::dcraw_clear_mem(processed);
    return picture;
}

// A JPEG holds no transparency; transparent areas are shown on white rather than black.
QImage OnWhite(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return picture;
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    return opaque;
}

} // namespace

TPreviewSource LoadPreviewPicture(const QByteArray &fullPath)
{
    const QString extension = UpperExtension(fullPath);
    TPreviewSource source;
    if (extension == u".PNG" || extension == u".TIF" || extension == u".TIFF") {
        QFile file;
        if (!OpenForReading(file, fullPath))
            Fail(fullPath, QStringLiteral("The file cannot be opened."));
        QImageReader reader(&file);
        source.Picture = ReadWithQt(reader, fullPath);
    } else if (extension == u".CR2") {
        source.Picture = ReadRawPicture(fullPath);
    } else {
        QByteArray bytes = ReadWholeFile(fullPath);
        if (IsJpegData(bytes)) {
            source.JpegData = std::move(bytes);
        } else {
            QBuffer buffer(&bytes);
            QImageReader reader(&buffer);
            source.Picture = ReadWithQt(reader, fullPath);
        }
    }
    return source;
}

int PreviewScaleDenominator(int32_t width, int32_t height)
{
    if (height > kQuarterScaleMinHeight || width > kQuarterScaleMinWidth)
        return 4;
    if (height > kHalfScaleMinSide || width > kHalfScaleMinSide)
        return 2;
    return 1;
}

QImage ReducePreviewPicture(const TPreviewSource &source, int32_t width, int32_t height)
{
    const QByteArray jpeg = source.JpegData.isEmpty() ? EncodeJpeg(OnWhite(source.Picture)) : source.JpegData;
    return DecodeJpeg(jpeg, PreviewScaleDenominator(width, height)).convertToFormat(QImage::Format_RGB32);
}

int PreviewFramePenWidth(const QImage &bitmap)
{
    const int penWidth = std::min(bitmap.width(), bitmap.height()) / kFrameDivisor;
    return penWidth <= kMinFramePenWidth ? kMinFramePenWidth : penWidth;
}

void ShowPreviewFrame(QImage &bitmap)
{
    if (bitmap.isNull())
        return;
    QPainter painter(&bitmap);
    painter.setPen(QPen(Qt::white, PreviewFramePenWidth(bitmap), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    // The clip rectangle's right and bottom lie just outside the last pixel.
    const int right = bitmap.width();
    const int bottom = bitmap.height();
    const QPoint corners[] = { { 0, 0 }, { right, 0 }, { right, bottom }, { 0, bottom }, { 0, 0 } };
    painter.drawPolyline(corners, 5);
}
