#include "engine/base/decodinglimits.h"
#include "engine/base/lazylibrary.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/formatdecoders.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace
{

#define QUORVANE_HEIF_FUNCTIONS(X)                                                                                     \
    X(heif_context_alloc)                                                                                              \
    X(heif_context_free)                                                                                               \
    X(heif_context_read_from_memory_without_copy)                                                                      \
    X(heif_context_get_primary_image_handle)                                                                           \
    X(heif_image_handle_get_width)                                                                                     \
    X(heif_image_handle_get_height)                                                                                    \
    X(heif_image_handle_has_alpha_channel)                                                                             \
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
using Image = std::unique_ptr<const heif_image, TImageRelease>;

void check(const heif_error &error)
{
    if (error.code != heif_error_Ok)
        throw TPictureError(std::string("HEIF: ") + (error.message ? error.message : "unknown error"));
}

}

TPictureSource DecodeHeif(const QByteArray &file, [[maybe_unused]] const TPictureRequest &request)
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
    // The size after the file's own rotation and cropping, known before any pixel is decoded.
    if (!PictureSizeAllowed(
            heif.heif_image_handle_get_width(handle.get()), heif.heif_image_handle_get_height(handle.get())))
        throw TPictureError("HEIF: the picture is empty or too large");
    const bool alpha = heif.heif_image_handle_has_alpha_channel(handle.get());
    heif_image *decoded = nullptr;
    check(heif.heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr));
    const Image image(decoded);
    const int width = heif.heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif.heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *pixels = heif.heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || !PictureSizeAllowed(width, height))
        throw TPictureError("HEIF: no picture decoded");
    QImage picture(width, height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (picture.isNull())
        throw std::bad_alloc();
    const size_t rowBytes = size_t(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y)
        std::memcpy(picture.scanLine(y), pixels + qsizetype(y) * stride, rowBytes);
    return WholePicture(picture);
}
