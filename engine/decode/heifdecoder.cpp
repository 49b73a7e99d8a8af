#include "engine/base/decodinglimits.h"
#include "engine/base/lazylibrary.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/formatdecoders.h"

#include <QtEndian>

#include <libheif/heif.h>

#include <memory>
#include <vector>

namespace
{

#define QUORVANE_HEIF_FUNCTIONS(X)                                                                                     \
    X(heif_context_alloc)                                                                                              \
    X(heif_context_free)                                                                                               \
    X(heif_context_read_from_memory_without_copy)                                                                      \
    X(heif_context_get_primary_image_handle)                                                                           \
    X(heif_image_handle_get_width)                                                                                     \
    X(heif_image_handle_get_height)                                                                                    \
    X(heif_image_handle_get_ispe_width)                                                                                \
    X(heif_image_handle_get_ispe_height)                                                                               \
    X(heif_image_handle_has_alpha_channel)                                                                             \
    X(heif_image_handle_get_number_of_thumbnails)                                                                      \
    X(heif_image_handle_get_list_of_thumbnail_IDs)                                                                     \
    X(heif_image_handle_get_thumbnail)                                                                                 \
    X(heif_image_handle_release)                                                                                       \
    X(heif_decode_image)                                                                                               \
    X(heif_image_get_width)                                                                                            \
    X(heif_image_get_height)                                                                                           \
    X(heif_image_get_plane_readonly)                                                                                   \
    X(heif_image_release)

// The libheif functions the decoder calls, each named after its function.
struct THeifApi {
    QUORVANE_HEIF_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveHeif(void *library, THeifApi &api) { return true QUORVANE_HEIF_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

const THeifApi &heifApi() { return LazyApi(QUORVANE_LIBHEIF_FILE, resolveHeif, "HEIF"); }

struct TContextFree {
    void operator()(heif_context *context) const { heifApi().heif_context_free(context); }
};
struct THandleRelease {
    void operator()(const heif_image_handle *handle) const { heifApi().heif_image_handle_release(handle); }
};
struct TImageRelease {
    void operator()(const heif_image *image) const { heifApi().heif_image_release(image); }
};
using Context = std::unique_ptr<heif_context, TContextFree>;
using Handle = std::unique_ptr<const heif_image_handle, THandleRelease>;
using Image = std::unique_ptr<heif_image, TImageRelease>;

// While decoding, libheif holds the coded planes (up to 4 bytes a pixel at 10 bits) beside the
// interleaved picture it converts them to, which becomes the QImage without a copy.
constexpr qint64 kPlaneBytesPerPixel = 4;

void check(const heif_error &error)
{
    if (error.code != heif_error_Ok)
        throw TPictureError(std::string("HEIF: ") + (error.message ? error.message : "unknown error"));
}

// The size shown, after the item's own rotation and cropping, known before any pixel is decoded.
QSize shownSize(const heif_image_handle *handle)
{
    const THeifApi &heif = heifApi();
    return { heif.heif_image_handle_get_width(handle), heif.heif_image_handle_get_height(handle) };
}

// Whether the item's own transformations turn it by a quarter: its stored and shown sides swap.
bool quarterTurned(const heif_image_handle *handle)
{
    const THeifApi &heif = heifApi();
    const QSize shown = shownSize(handle);
    const bool storedWide
        = heif.heif_image_handle_get_ispe_width(handle) > heif.heif_image_handle_get_ispe_height(handle);
    return storedWide != (shown.width() > shown.height()) && shown.width() != shown.height();
}

QImage decode(const heif_image_handle *handle)
{
    const THeifApi &heif = heifApi();
    const QSize size = shownSize(handle);
    const bool alpha = heif.heif_image_handle_has_alpha_channel(handle);
    const int pixelBytes = alpha ? 4 : 3;
    if (!DecodeFitsBudget(size.width(), size.height(), kPlaneBytesPerPixel + pixelBytes))
        throw TPictureError("HEIF: the picture is empty or too large");
    heif_image *decoded = nullptr;
    check(heif.heif_decode_image(handle, &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr));
    Image image(decoded);
    const int width = heif.heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif.heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *pixels = heif.heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || !PictureSizeAllowed(width, height) || stride < width * pixelBytes)
        throw TPictureError("HEIF: no picture decoded");
    // The QImage keeps libheif's picture and releases it when its last copy goes.
    QImage picture(
        pixels, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888,
        [](void *held) { heifApi().heif_image_release(static_cast<heif_image *>(held)); }, image.get());
    if (picture.isNull())
        throw std::bad_alloc();
    image.release();
    return picture;
}

// Whether the file's top-level boxes all end within it. libheif reads an item's data only when
// decoding it, so a thumbnail ahead of a cut would otherwise sign a file the preview cannot show.
bool boxesComplete(const QByteArray &file)
{
    const auto bytes = reinterpret_cast<const uchar *>(file.constData());
    const qint64 end = file.size();
    qint64 at = 0;
    while (end - at >= 8) {
        qint64 size = qFromBigEndian<quint32>(bytes + at);
        const qint64 header = size == 1 ? 16 : 8;
        if (end - at < header)
            return false;
        if (size == 0)
            return true;
        if (size == 1)
            size = qint64(qFromBigEndian<quint64>(bytes + at + 8));
        if (size < header || size > end - at)
            return false;
        at += size;
    }
    return at == end;
}

// The thumbnail of `primary` that may stand for it under `request`: the largest that fits, turned
// the same way. Null when there is none.
Handle faithfulThumbnail(const heif_image_handle *primary, const TPictureRequest &request)
{
    const THeifApi &heif = heifApi();
    const int count = heif.heif_image_handle_get_number_of_thumbnails(primary);
    if (request.MinSide <= 0 || count <= 0)
        return nullptr;
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    ids.resize(size_t(heif.heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count)));
    const QSize full = shownSize(primary);
    Handle chosen;
    int chosenWidth = 0;
    for (const heif_item_id id : ids) {
        heif_image_handle *found = nullptr;
        if (heif.heif_image_handle_get_thumbnail(primary, id, &found).code != heif_error_Ok)
            continue;
        Handle thumbnail(found);
        const QSize size = shownSize(thumbnail.get());
        if (ReducedPictureFits(size, full, request) && quarterTurned(thumbnail.get()) == quarterTurned(primary)
            && size.width() > chosenWidth) {
            chosenWidth = size.width();
            chosen = std::move(thumbnail);
        }
    }
    return chosen;
}

}

TPictureSource DecodeHeif(const QByteArray &file, const TPictureRequest &request)
{
    const THeifApi &heif = heifApi();
    Context context(heif.heif_context_alloc());
    if (!context)
        throw std::bad_alloc();
    check(
        heif.heif_context_read_from_memory_without_copy(context.get(), file.constData(), size_t(file.size()), nullptr));
    heif_image_handle *primary = nullptr;
    check(heif.heif_context_get_primary_image_handle(context.get(), &primary));
    const Handle handle(primary);
    const QSize full = shownSize(handle.get());
    if (!PictureSizeAllowed(full.width(), full.height()))
        throw TPictureError("HEIF: the picture is empty or too large");
    if (const Handle thumbnail = boxesComplete(file) ? faithfulThumbnail(handle.get(), request) : nullptr) {
        // A thumbnail that cannot be decoded, or decodes to another size than it claimed, leaves
        // the whole picture to be decoded.
        try {
            TPictureSource source;
            source.Picture = decode(thumbnail.get());
            if (ReducedPictureFits(source.Picture.size(), full, request)) {
                source.FullSize = full;
                source.Origin = "thumbnail";
                return source;
            }
        } catch (const TPictureError &) {
        }
    }
    return WholePicture(decode(handle.get()));
}
