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

QImage rgb888(const QImage &picture)
{
    if (picture.isNull())
        throw TPictureError("empty picture");
    return picture.format() == QImage::Format_RGB888 ? picture : picture.convertToFormat(QImage::Format_RGB888);
}

void prepareWorkBitmap(QImage &WorkBitmap)
{
    if (WorkBitmap.format() != QImage::Format_BGR888 || WorkBitmap.width() != kWorkBitmapSize
        || WorkBitmap.height() != kWorkBitmapSize)
        WorkBitmap = QImage(kWorkBitmapSize, kWorkBitmapSize, QImage::Format_BGR888);
    if (WorkBitmap.isNull())
        throw std::bad_alloc();
}

// Where, in 1/256 pixels of a reduced picture's side of `reducedSide`, lies the centre of each
// pixel that the stretch samples from the whole picture's side decoded at 1/`scale`.
std::vector<int> reducedSamples(int fullSide, int scale, int reducedSide)
{
    const int scaledSide = ScaledSide(fullSide, scale);
    std::vector<int> positions;
    positions.reserve(kWorkBitmapSize);
    for (const int sample : stretchSamples(scaledSide))
        positions.push_back(std::clamp(
            int((2 * sample + 1) * qint64(reducedSide) * 128 / scaledSide) - 128, 0, (reducedSide - 1) * 256));
    return positions;
}

// A reduced picture (a thumbnail, a 1:8 decoding) onto the work bitmap: interpolated where the
// whole picture at 1/`scale` would be sampled, so that it signs close to the whole one. Integer
// arithmetic throughout, so that the same picture always signs the same.
void sampleReducedToWorkBitmap(const QImage &picture, QSize fullSize, int scale, QImage &WorkBitmap)
{
    const QImage source = rgb888(picture);
    prepareWorkBitmap(WorkBitmap);
    const std::vector<int> columns = reducedSamples(fullSize.width(), scale, source.width());
    const std::vector<int> rows = reducedSamples(fullSize.height(), scale, source.height());
    for (int y = 0; y < kWorkBitmapSize; ++y) {
        const int top = rows[y] >> 8;
        const int down = rows[y] & 255;
        const uchar *upper = source.constScanLine(top);
        const uchar *lower = source.constScanLine(std::min(top + 1, source.height() - 1));
        uchar *target = WorkBitmap.scanLine(y);
        for (int x = 0; x < kWorkBitmapSize; ++x, target += 3) {
            const int left = columns[x] >> 8;
            const int across = columns[x] & 255;
            const int right = std::min(left + 1, source.width() - 1);
            for (int channel = 0; channel < 3; ++channel) {
                const int above = upper[3 * left + channel] * (256 - across) + upper[3 * right + channel] * across;
                const int below = lower[3 * left + channel] * (256 - across) + lower[3 * right + channel] * across;
                target[2 - channel] = uchar((above * (256 - down) + below * down + 32768) >> 16);
            }
        }
    }
}

}

void StretchToWorkBitmap(const QImage &picture, QImage &WorkBitmap)
{
    const QImage source = rgb888(picture);
    prepareWorkBitmap(WorkBitmap);
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
    // A reduced picture stands for the whole one, which gives the sizes; it takes no detour, since
    // the whole picture's detour at 1/8 or 1/4 changes little beyond what the reduction did.
    if (source.FullSize.isValid()) {
        Height = source.FullSize.height();
        Width = source.FullSize.width();
        QImage reduced = source.Picture;
        if (reduced.isNull()) {
            const TJpegSize size = ReadJpegSize(source.JpegData);
            reduced = DecodeJpeg(source.JpegData, ChooseScaleDenominator(size.Height, size.Width, settings));
        }
        sampleReducedToWorkBitmap(
            reduced, source.FullSize, ChooseScaleDenominator(Height, Width, settings), WorkBitmap);
        return;
    }
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
    loadSource(ReadPictureFile(path, SigningRequest()), WorkBitmap, Height, Width, settings, detour);
}

void LoadPictureBytes(const QByteArray &path, const QByteArray &bytes, QImage &WorkBitmap, int &Height, int &Width,
    const TSettings &settings, TJpegDetour detour)
{
    loadSource(ReadPictureBytes(path, bytes, SigningRequest()), WorkBitmap, Height, Width, settings, detour);
}
