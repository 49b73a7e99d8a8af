#include "engine/base/decodinglimits.h"
#include "engine/base/lazylibrary.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/formatdecoders.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/reducedscale.h"

#include <libraw/libraw.h>

#include <QTransform>

#include <memory>
#include <new>
#include <optional>

namespace
{

#define QUORVANE_RAW_FUNCTIONS(X)                                                                                      \
    X(libraw_init)                                                                                                     \
    X(libraw_open_buffer)                                                                                              \
    X(libraw_unpack)                                                                                                   \
    X(libraw_unpack_thumb)                                                                                             \
    X(libraw_dcraw_process)                                                                                            \
    X(libraw_dcraw_make_mem_image)                                                                                     \
    X(libraw_dcraw_clear_mem)                                                                                          \
    X(libraw_strerror)                                                                                                 \
    X(libraw_close)

// The LibRaw functions the decoder calls, each named after its function.
struct TRawApi {
    QUORVANE_RAW_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveRaw(void *library, TRawApi &api) { return true QUORVANE_RAW_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

const TRawApi &rawApi() { return LazyApi(QUORVANE_LIBRAW_FILE, resolveRaw, "RAW"); }

struct TRawClose {
    void operator()(libraw_data_t *raw) const { rawApi().libraw_close(raw); }
};
using TRaw = std::unique_ptr<libraw_data_t, TRawClose>;

struct TProcessedFree {
    void operator()(libraw_processed_image_t *image) const { rawApi().libraw_dcraw_clear_mem(image); }
};

TPictureError rawError(int status) { return TPictureError(std::string("RAW: ") + rawApi().libraw_strerror(status)); }

// The file opened: only its metadata is read, and the sizes are checked before anything allocates pixels.
TRaw openRaw(const QByteArray &file)
{
    const TRawApi &api = rawApi();
    // LibRaw's object is several hundred kilobytes; libraw_init puts it on the heap.
    TRaw raw(api.libraw_init(LIBRAW_OPTIONS_NONE));
    if (!raw)
        throw std::bad_alloc();
    raw->params.max_raw_memory_mb = kRawMemoryLimitMb;
    const int status = api.libraw_open_buffer(raw.get(), const_cast<char *>(file.constData()), size_t(file.size()));
    if (status != LIBRAW_SUCCESS)
        throw rawError(status);
    const libraw_image_sizes_t &sizes = raw->sizes;
    if (!PictureSizeAllowed(sizes.raw_width, sizes.raw_height) || !PictureSizeAllowed(sizes.width, sizes.height))
        throw TPictureError("RAW: the picture is empty or too large");
    return raw;
}

// LibRaw's flip: bit 4 transposes, bit 2 turns rows upside down, bit 1 mirrors columns, the mirroring
// taken before the transposition as LibRaw's own output takes it.
constexpr int kFlipColumns = 1;
constexpr int kFlipRows = 2;
constexpr int kFlipTranspose = 4;

QImage flipped(const QImage &picture, int flip)
{
    QImage turned = picture.mirrored(flip & kFlipColumns, flip & kFlipRows);
    // A transposition is a quarter turn clockwise, mirrored left to right.
    if (flip & kFlipTranspose)
        turned = turned.transformed(QTransform().rotate(90)).mirrored(true, false);
    if (turned.isNull())
        throw std::bad_alloc();
    return turned;
}

// Whether LibRaw's copy of the preview (its first two bytes rewritten as a JPEG's start) lies whole
// in the file: of a file cut off inside its preview, LibRaw leaves the rest of its copy as its memory
// happened to hold it, which would sign differently every time.
bool wholeInFile(const QByteArray &file, const QByteArray &preview)
{
    constexpr qsizetype kStart = 2;
    constexpr qsizetype kSearched = 64;
    if (preview.size() < kStart + kSearched)
        return false;
    const QByteArrayView rest = QByteArrayView(preview).sliced(kStart);
    const QByteArrayView searched = rest.first(kSearched);
    for (qsizetype at = file.indexOf(searched); at >= 0; at = file.indexOf(searched, at + 1)) {
        if (at >= kStart && QByteArrayView(file).sliced(at).startsWith(rest))
            return true;
    }
    return false;
}

// The camera's JPEG preview for `request`, decoded and turned as the picture of `full` size is, where
// it will do.
std::optional<TPictureSource> previewOf(
    const QByteArray &file, libraw_data_t &raw, QSize full, const TPictureRequest &request)
{
    // Pixels that are not square are stretched by the development, to a size the preview cannot tell.
    if (request.MinSide <= 0 || raw.sizes.pixel_aspect != 1)
        return std::nullopt;
    if (rawApi().libraw_unpack_thumb(&raw) != LIBRAW_SUCCESS || raw.thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG
        || !raw.thumbnail.thumb)
        return std::nullopt;
    const int flip = raw.sizes.flip;
    const QByteArray jpeg = QByteArray::fromRawData(raw.thumbnail.thumb, qsizetype(raw.thumbnail.tlength));
    if (!wholeInFile(file, jpeg))
        return std::nullopt;
    try {
        const TJpegSize size = ReadJpegSize(jpeg);
        // Cameras store the preview unturned, like the raw data.
        QSize preview(size.Width, size.Height);
        if (flip & kFlipTranspose)
            preview.transpose();
        const int scale = FittingScale(preview, full, request);
        if (scale == 0)
            return std::nullopt;
        TPictureSource source = WholePicture(flipped(DecodeJpeg(jpeg, scale), flip));
        source.FullSize = full;
        source.Origin = "preview";
        return source;
    } catch (const TPictureError &) {
        // A broken preview leaves the raw data, which may well be whole.
        return std::nullopt;
    }
}

}

TPictureSource DecodeRaw(const QByteArray &file, const TPictureRequest &request)
{
    const TRawApi &api = rawApi();
    const TRaw raw = openRaw(file);
    const libraw_image_sizes_t &sizes = raw->sizes;
    const QSize full
        = sizes.flip & kFlipTranspose ? QSize(sizes.height, sizes.width) : QSize(sizes.width, sizes.height);
    if (std::optional<TPictureSource> preview = previewOf(file, *raw, full, request))
        return std::move(*preview);
    int status = api.libraw_unpack(raw.get());
    if (status == LIBRAW_SUCCESS)
        status = api.libraw_dcraw_process(raw.get());
    if (status != LIBRAW_SUCCESS)
        throw rawError(status);
    const std::unique_ptr<libraw_processed_image_t, TProcessedFree> processed(
        api.libraw_dcraw_make_mem_image(raw.get(), &status));
    if (!processed)
        throw rawError(status);
    if (processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->bits != 8)
        throw TPictureError("RAW: unexpected processed image");
    const QImage view(
        processed->data, processed->width, processed->height, qsizetype(processed->width) * 3, QImage::Format_RGB888);
    QImage copy = view.copy();
    if (copy.isNull())
        throw std::bad_alloc();
    return WholePicture(copy);
}
