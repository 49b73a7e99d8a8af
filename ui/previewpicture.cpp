#include "ui/previewpicture.h"

#include "engine/base/pictureerror.h"
#include "engine/decode/jpegcodec.h"

#include <QFile>
#include <QPainter>
#include <QPen>

namespace
{

enum {
    kQuarterScaleMinHeight = 1500,
    kQuarterScaleMinWidth = 2000,
    kHalfScaleMinSide = 1000,
    kFrameDivisor = 20,
    kMinFramePenWidth = 2,
};

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

TPictureSource LoadPreviewPicture(const QByteArray &fullPath)
{
    try {
        return ReadPictureFile(fullPath);
    } catch (const TPictureError &error) {
        throw TPictureError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(QFile::decodeName(fullPath), error.what()).toStdString());
    }
}

int PreviewScaleDenominator(int32_t width, int32_t height)
{
    if (height > kQuarterScaleMinHeight || width > kQuarterScaleMinWidth)
        return 4;
    if (height > kHalfScaleMinSide || width > kHalfScaleMinSide)
        return 2;
    return 1;
}

QImage ReducePreviewPicture(const TPictureSource &source, int32_t width, int32_t height)
{
    const QByteArray jpeg = source.Picture.isNull() ? source.JpegData : EncodeJpeg(OnWhite(source.Picture));
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
