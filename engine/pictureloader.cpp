#include "pictureloader.h"

#include "catalogue.h"
#include "decodinglimits.h"
#include "jpegcodec.h"
#include "jpegdetour.h"
#include "pictureerror.h"
#include "rawpathfile.h"
#include "settings.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <libraw/libraw.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace
{

constexpr int kEighthScaleBound = 1000;
constexpr int kQuarterScaleBound = 500;

QByteArray upperExtension(const QByteArray &path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot).toUpper();
}

QByteArray readWholeFile(const QByteArray &path)
{
    QFile file;
    if (!OpenForReading(file, path))
        throw TPictureError("cannot open " + path.toStdString());
    if (file.size() > kMaxWholeFileBytes)
        throw TPictureError("file too large: " + path.toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TPictureError("cannot read " + path.toStdString());
    return bytes;
}

void limitReaderAllocation()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(kReaderAllocationLimitMb); });
}

// `format` empty lets the reader decide from the content (TIFF, whose codec is chosen that way).
QImage readWithQt(const QByteArray &path, const QByteArray &format)
{
    limitReaderAllocation();
    QFile file;
    if (!OpenForReading(file, path))
        throw TPictureError("cannot open " + path.toStdString());
    QImageReader reader(&file, format);
    // A named decoder must not hand the file to another one that recognises its content.
    if (!format.isEmpty())
        reader.setAutoDetectImageFormat(false);
    // A reader that cannot tell the size up front is held by the allocation limit alone.
    const QSize claimed = reader.size();
    if (claimed.isValid() && !PictureSizeAllowed(claimed.width(), claimed.height()))
        throw TPictureError("zero or too large picture size: " + path.toStdString());
    QImage image = reader.read();
    if (image.isNull())
        throw TPictureError(reader.errorString().toStdString());
    return image;
}

QImage readRaw(const QByteArray &path)
{
    // LibRaw's object is several hundred kilobytes; keep it off the stack.
    const QByteArray bytes = readWholeFile(path);
    auto raw = std::make_unique<LibRaw>();
    raw->imgdata.params.max_raw_memory_mb = kRawMemoryLimitMb;
    int status = raw->open_buffer(const_cast<char *>(bytes.constData()), size_t(bytes.size()));
    // open_buffer reads only the metadata; the sizes are checked before unpack allocates pixels.
    const libraw_image_sizes_t &sizes = raw->imgdata.sizes;
    if (status == LIBRAW_SUCCESS
        && (!PictureSizeAllowed(sizes.raw_width, sizes.raw_height) || !PictureSizeAllowed(sizes.width, sizes.height)))
        throw TPictureError("RAW: zero or too large picture size");
    if (status == LIBRAW_SUCCESS)
        status = raw->unpack();
    if (status == LIBRAW_SUCCESS)
        status = raw->dcraw_process();
    if (status != LIBRAW_SUCCESS)
        throw TPictureError(std::string("RAW: ") + libraw_strerror(status));
    libraw_processed_image_t *processed = raw->dcraw_make_mem_image(&status);
    if (!processed)
        throw TPictureError(std::string("RAW: ") + libraw_strerror(status));
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> guard(
        processed, LibRaw::dcraw_clear_mem);
    if (processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->bits != 8)
        throw TPictureError("RAW: unexpected processed image");
    const QImage view(
        processed->data, processed->width, processed->height, qsizetype(processed->width) * 3, QImage::Format_RGB888);
    QImage copy = view.copy();
    if (copy.isNull())
        throw std::bad_alloc();
    return copy;
}

// Every picture type but JPEG, decoded; it takes the JPEG detour afterwards.
QImage readNonJpeg(const QByteArray &path, const QByteArray &extension)
{
    if (extension == ".PNG")
        return readWithQt(path, "png");
    if (extension == ".TIF" || extension == ".TIFF")
        return readWithQt(path, QByteArray());
    if (extension == ".BMP")
        return readWithQt(path, "bmp");
    if (extension == ".GIF")
        return readWithQt(path, "gif");
    if (extension == ".CR2")
        return readRaw(path);
    throw TPictureError("unknown picture type: " + path.toStdString());
}

// The source pixel that each of the kWorkBitmapSize targets along a side samples: its centre.
std::vector<int> stretchSamples(int sourceSize)
{
    std::vector<int> samples(kWorkBitmapSize);
    for (int target = 0; target < kWorkBitmapSize; ++target)
        samples[target] = int((2 * target + 1) * qint64(sourceSize) / (2 * kWorkBitmapSize));
    return samples;
}

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

void LoadPicture(
    const QByteArray &path, QImage &WorkBitmap, int &Height, int &Width, const TSettings &settings, TJpegDetour detour)
{
    const QByteArray extension = upperExtension(path);
    if (extension == ".JPG" || extension == ".JPEG") {
        const QByteArray jpeg = readWholeFile(path);
        const TJpegSize size = ReadJpegSize(jpeg);
        Height = size.Height;
        Width = size.Width;
        StretchToWorkBitmap(DecodeJpeg(jpeg, ChooseScaleDenominator(Height, Width, settings)), WorkBitmap);
        return;
    }
    const QImage picture = readNonJpeg(path, extension);
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
