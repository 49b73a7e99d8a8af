#include "engine/decode/pictureloader.h"

#include "engine/base/catalogue.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/jpegdetour.h"
#include "engine/decode/picturereader.h"
#include "settings/settings.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace
{

// The source pixel that each of the kWorkBitmapSize targets along a side samples: its centre.
std::vector<int> stretchSamples(int sourceSize)
{
    std::vector<int> samples(kWorkBitmapSize);
    for (int target = 0; target < kWorkBitmapSize; ++target)
        samples[target] = int((2 * target + 1) * qint64(sourceSize) / (2 * kWorkBitmapSize));
    return samples;
}

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
    const std::vector<int> columns = stretchSamples(source.width());
    const std::vector<int> rows = stretchSamples(source.height());
    for (int y = 0; y < kWorkBitmapSize; ++y) {
        const uchar *sourceRow = source.constScanLine(rows[y]);
        uchar *target = WorkBitmap.scanLine(y);
        for (int x = 0; x < kWorkBitmapSize; ++x, target += 3) {
            const uchar *pixel = sourceRow + 3 * columns[x];
            target[0] = pixel[2];
            target[1] = pixel[1];
            target[2] = pixel[0];
        }
    }
}

namespace
{

// Height and Width are set as soon as the picture's size is known, also when decoding fails after it.
void loadSource(const TPictureSource &source, QImage &WorkBitmap, int &Height, int &Width, const TSettings &settings,
    TJpegDetour detour)
{
    if (source.Picture.isNull()) {
        const TJpegSize size = ReadJpegSize(source.JpegData);
        Height = size.Height;
        Width = size.Width;
        StretchToWorkBitmap(DecodeJpeg(source.JpegData, ChooseScaleDenominator(Height, Width, settings)), WorkBitmap);
        return;
    }
    const QImage &picture = source.Picture;
    Height = picture.height();
    Width = picture.width();
    const int scale = ChooseScaleDenominator(Height, Width, settings);
    // The shortcut computes only the pixels the stretch samples; they then map one to one.
    std::optional<QImage> sampled;
    if (detour == TJpegDetour::Shortcut)
        sampled = DetourShortcut(
            picture, scale, stretchSamples(ScaledSide(Width, scale)), stretchSamples(ScaledSide(Height, scale)));
    StretchToWorkBitmap(sampled ? *sampled : JpegDetour(picture, scale, TJpegDetour::RoundTrip), WorkBitmap);
}

}

void LoadPicture(
    const QByteArray &path, QImage &WorkBitmap, int &Height, int &Width, const TSettings &settings, TJpegDetour detour)
{
    loadSource(ReadPictureFile(path), WorkBitmap, Height, Width, settings, detour);
}

void LoadPictureBytes(const QByteArray &path, const QByteArray &bytes, QImage &WorkBitmap, int &Height, int &Width,
    const TSettings &settings, TJpegDetour detour)
{
    loadSource(ReadPictureBytes(path, bytes), WorkBitmap, Height, Width, settings, detour);
}
