#include "engine/decodinglimits.h"
#include "engine/formatdecoders.h"
#include "engine/lazylibrary.h"
#include "engine/pictureerror.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <optional>

namespace
{

// The libheif functions the decoder calls, each named after its function.
struct THeifApi {
    decltype(&::heif_context_alloc) heif_context_alloc = nullptr;
    decltype(&::heif_context_free) heif_context_free = nullptr;
    decltype(&::heif_context_read_from_memory_without_copy) heif_context_read_from_memory_without_copy = nullptr;
    decltype(&::heif_context_get_primary_image_handle) heif_context_get_primary_image_handle = nullptr;
    decltype(&::heif_image_handle_get_width) heif_image_handle_get_width = nullptr;
    decltype(&::heif_image_handle_get_height) heif_image_handle_get_height = nullptr;
    decltype(&::heif_image_handle_has_alpha_channel) heif_image_handle_has_alpha_channel = nullptr;
    decltype(&::heif_image_handle_release) heif_image_handle_release = nullptr;
    decltype(&::heif_decode_image) heif_decode_image = nullptr;
    decltype(&::heif_image_get_width) heif_image_get_width = nullptr;
    decltype(&::heif_image_get_height) heif_image_get_height = nullptr;
    decltype(&::heif_image_get_plane_readonly) heif_image_get_plane_readonly = nullptr;
    decltype(&::heif_image_release) heif_image_release = nullptr;
};

const THeifApi &heifApi()
{
    static const std::optional<THeifApi> api = []() -> std::optional<THeifApi> {
        void *const library = OpenLazyLibrary(QUORVANE_LIBHEIF_FILE);
        THeifApi found;
        if (library && QUORVANE_RESOLVE(library, found, heif_context_alloc)
            && QUORVANE_RESOLVE(library, found, heif_context_free)
            && QUORVANE_RESOLVE(library, found, heif_context_read_from_memory_without_copy)
            && QUORVANE_RESOLVE(library, found, heif_context_get_primary_image_handle)
            && QUORVANE_RESOLVE(library, found, heif_image_handle_get_width)
            && QUORVANE_RESOLVE(library, found, heif_image_handle_get_height)
            && QUORVANE_RESOLVE(library, found, heif_image_handle_has_alpha_channel)
            && QUORVANE_RESOLVE(library, found, heif_image_handle_release)
            && QUORVANE_RESOLVE(library, found, heif_decode_image)
            && QUORVANE_RESOLVE(library, found, heif_image_get_width)
            && QUORVANE_RESOLVE(library, found, heif_image_get_height)
            && QUORVANE_RESOLVE(library, found, heif_image_get_plane_readonly)
            && QUORVANE_RESOLVE(library, found, heif_image_release))
            return found;
        return std::nullopt;
    }();
    if (!api)
        throw TPictureError("HEIF: " QUORVANE_LIBHEIF_FILE " cannot be loaded");
    return *api;
}

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

QImage DecodeHeif(const QByteArray &file)
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
    return picture;
}
