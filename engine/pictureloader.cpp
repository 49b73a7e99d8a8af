#include "pictureloader.h"

#include "catalogue.h"
#include "jpegcodec.h"
#include "pictureerror.h"
#include "picturereader.h"
#include "settings.h"

#include <algorithm>

namespace
{

constexpr int kEighthScaleBound = 1000;
constexpr int kQuarterScaleBound = 500;

}

int ChooseScaleDenominator(int Height, int Width, const TSettings &settings)
{
    if (Height > std::max(settings.MinPicHeight, kEighthScaleBound)
        && Width > std::max(settings.MinPicWidth, kEighthScaleBound))
        return 8;
    if (Height > std::max(settings.MinPicHeight, kQuarterScaleBound)
        && Width > std::max(settings.MinPicWidth, kQuarterScaleBound))
        return 4;
    return 1;
}

bool PassesSizeFilter(int Height, int Width, const TSettings &settings)
{
    return Height >= std::max(kMinPictureSide, settings.MinPicHeight)
        && Width >= std::max(kMinPictureSide, settings.MinPicWidth);
}

void StretchToWorkBitmap(const QImage &picture, QImage &WorkBitmap)
{
    if (picture.isNull())
        throw TPictureError("empty picture");
    const QImage source
        = picture.format() == QImage::Format_RGB888 ? picture : picture.convertToFormat(QImage::Format_RGB888);
    if (WorkBitmap.format() != QImage::Format_BGR888 || WorkBitmap.width() != kWorkBitmapSize
        || WorkBitmap.height() != kWorkBitmapSize)
        WorkBitmap = QImage(kWorkBitmapSize, kWorkBitmapSize, QImage::Format_BGR888);
    if (WorkBitmap.isNull())
        throw std::bad_alloc();
    const qint64 width = source.width();
    const qint64 height = source.height();
    for (int y = 0; y < kWorkBitmapSize; ++y) {
        const uchar *sourceRow = source.constScanLine(int((2 * y + 1) * height / (2 * kWorkBitmapSize)));
        uchar *target = WorkBitmap.scanLine(y);
        for (int x = 0; x < kWorkBitmapSize; ++x, target += 3) {
            const uchar *pixel = sourceRow + 3 * ((2 * x + 1) * width / (2 * kWorkBitmapSize));
            target[0] = pixel[2];
            target[1] = pixel[1];
            target[2] = pixel[0];
        }
    }
}

namespace
{

void loadJpeg(const QByteArray &jpeg, QImage &WorkBitmap, int &Height, int &Width, const TSettings &settings)
{
    const TJpegSize size = ReadJpegSize(jpeg);
    Height = size.Height;
    Width = size.Width;
    StretchToWorkBitmap(DecodeJpeg(jpeg, ChooseScaleDenominator(Height, Width, settings)), WorkBitmap);
}

}

void LoadPicture(const QByteArray &path, QImage &WorkBitmap, int &Height, int &Width, const TSettings &settings)
{
    loadJpeg(SourceAsJpeg(ReadPictureFile(path)), WorkBitmap, Height, Width, settings);
}

void LoadPictureBytes(const QByteArray &path, const QByteArray &bytes, QImage &WorkBitmap, int &Height, int &Width,
    const TSettings &settings)
{
    loadJpeg(SourceAsJpeg(ReadPictureBytes(path, bytes)), WorkBitmap, Height, Width, settings);
}
