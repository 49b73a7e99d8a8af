#include "engine/base/decodinglimits.h"
#include "engine/base/lazylibrary.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/formatdecoders.h"

#include <libraw/libraw.h>

#include <memory>
#include <new>

namespace
{

#define QUORVANE_RAW_FUNCTIONS(X)                                                                                      \
    X(libraw_init)                                                                                                     \
    X(libraw_open_buffer)                                                                                              \
    X(libraw_unpack)                                                                                                   \
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

struct TProcessedFree {
    void operator()(libraw_processed_image_t *image) const { rawApi().libraw_dcraw_clear_mem(image); }
};

TPictureError rawError(int status) { return TPictureError(std::string("RAW: ") + rawApi().libraw_strerror(status)); }

}

QImage DecodeRaw(const QByteArray &file)
{
    const TRawApi &api = rawApi();
    // LibRaw's object is several hundred kilobytes; libraw_init puts it on the heap.
    const std::unique_ptr<libraw_data_t, TRawClose> raw(api.libraw_init(LIBRAW_OPTIONS_NONE));
    if (!raw)
        throw std::bad_alloc();
    raw->params.max_raw_memory_mb = kRawMemoryLimitMb;
    int status = api.libraw_open_buffer(raw.get(), const_cast<char *>(file.constData()), size_t(file.size()));
    // Opening reads only the metadata; the sizes are checked before unpacking allocates pixels.
    const libraw_image_sizes_t &sizes = raw->sizes;
    if (status == LIBRAW_SUCCESS
        && (!PictureSizeAllowed(sizes.raw_width, sizes.raw_height) || !PictureSizeAllowed(sizes.width, sizes.height)))
        throw TPictureError("RAW: the picture is empty or too large");
    if (status == LIBRAW_SUCCESS)
        status = api.libraw_unpack(raw.get());
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
    return copy;
}
