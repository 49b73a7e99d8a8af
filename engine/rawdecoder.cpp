#include "engine/decodinglimits.h"
#include "engine/formatdecoders.h"
#include "engine/pictureerror.h"

#include <libraw/libraw.h>

#include <memory>

QImage DecodeRaw(const QByteArray &file)
{
    // LibRaw's object is several hundred kilobytes; keep it off the stack.
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    raw->imgdata.params.max_raw_memory_mb = kRawMemoryLimitMb;
    int status = raw->open_buffer(const_cast<char *>(file.constData()), size_t(file.size()));
    // open_buffer reads only the metadata; the sizes are checked before unpack allocates pixels.
    const libraw_image_sizes_t &sizes = raw->imgdata.sizes;
    if (status == LIBRAW_SUCCESS
        && (!PictureSizeAllowed(sizes.raw_width, sizes.raw_height) || !PictureSizeAllowed(sizes.width, sizes.height)))
        throw TPictureError("RAW: the picture is empty or too large");
    if (status == LIBRAW_SUCCESS)
        status = raw->unpack();
    if (status == LIBRAW_SUCCESS)
        status = raw->dcraw_process();
    if (status != LIBRAW_SUCCESS)
        throw TPictureError(std::string("RAW: ") + libraw_strerror(status));
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> processed(
        raw->dcraw_make_mem_image(&status), LibRaw::dcraw_clear_mem);
    if (!processed)
        throw TPictureError(std::string("RAW: ") + libraw_strerror(status));
    if (processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->bits != 8)
        throw TPictureError("RAW: unexpected processed image");
    const QImage view(
        processed->data, processed->width, processed->height, qsizetype(processed->width) * 3, QImage::Format_RGB888);
    QImage copy = view.copy();
    if (copy.isNull())
        throw std::bad_alloc();
    return copy;
}
