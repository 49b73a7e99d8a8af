#include "engine/decodinglimits.h"
#include "engine/formatdecoders.h"
#include "engine/pictureerror.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace
{

template <typename T, void (*Release)(T *)> struct Releaser {
    void operator()(T *object) const { Release(object); }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context, heif_context_free>>;
using Handle = std::unique_ptr<const heif_image_handle, Releaser<const heif_image_handle, heif_image_handle_release>>;
using Image = std::unique_ptr<const heif_image, Releaser<const heif_image, heif_image_release>>;

void check(const heif_error &error)
{
    if (error.code != heif_error_Ok)
        throw TPictureError(std::string("HEIF: ") + (error.message ? error.message : "unknown error"));
}

}

QImage DecodeHeif(const QByteArray &file)
{
    Context context(heif_context_alloc());
    if (!context)
        throw std::bad_alloc();
    check(heif_context_read_from_memory_without_copy(context.get(), file.constData(), size_t(file.size()), nullptr));
    heif_image_handle *primary = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &primary));
    const Handle handle(primary);
    // The size after the file's own rotation and cropping, known before any pixel is decoded.
    if (!PictureSizeAllowed(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())))
        throw TPictureError("HEIF: the picture is empty or too large");
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
    heif_image *decoded = nullptr;
    check(heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr));
    const Image image(decoded);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
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
