#include "engine/base/decodinglimits.h"
#include "engine/base/lazylibrary.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/formatdecoders.h"

#include <jxl/decode.h>

#include <cstdlib>
#include <memory>

namespace
{

#define QUORVANE_JXL_FUNCTIONS(X)                                                                                      \
    X(JxlDecoderCreate)                                                                                                \
    X(JxlDecoderDestroy)                                                                                               \
    X(JxlDecoderSubscribeEvents)                                                                                       \
    X(JxlDecoderSetInput)                                                                                              \
    X(JxlDecoderCloseInput)                                                                                            \
    X(JxlDecoderProcessInput)                                                                                          \
    X(JxlDecoderGetBasicInfo)                                                                                          \
    X(JxlDecoderImageOutBufferSize)                                                                                    \
    X(JxlDecoderSetImageOutBuffer)

// The libjxl functions the decoder calls, each named after its function.
struct TJxlApi {
    QUORVANE_JXL_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveJxl(void *library, TJxlApi &api) { return true QUORVANE_JXL_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

const TJxlApi &jxlApi() { return LazyApi(QUORVANE_LIBJXL_FILE, resolveJxl, "JPEG XL"); }

// Counts libjxl's own allocations and refuses those beyond the limit. Each block carries its size
// in front, since libjxl frees by address alone.
struct MemoryBudget {
    size_t used = 0;

    static void *allocate(void *opaque, size_t size)
    {
        auto *budget = static_cast<MemoryBudget *>(opaque);
        if (size > kJxlDecoderMemoryLimitMb * 1024 * 1024 - budget->used)
            return nullptr;
        auto *block = static_cast<max_align_t *>(std::malloc(sizeof(max_align_t) + size));
        if (!block)
            return nullptr;
        *reinterpret_cast<size_t *>(block) = size;
        budget->used += size;
        return block + 1;
    }

    static void release(void *opaque, void *address)
    {
        if (!address)
            return;
        auto *block = static_cast<max_align_t *>(address) - 1;
        static_cast<MemoryBudget *>(opaque)->used -= *reinterpret_cast<size_t *>(block);
        std::free(block);
    }
};

struct DecoderDeleter {
    void operator()(JxlDecoder *decoder) const { jxlApi().JxlDecoderDestroy(decoder); }
};

}

TPictureSource DecodeJxl(const QByteArray &file, [[maybe_unused]] const TPictureRequest &request)
{
    const TJxlApi &jxl = jxlApi();
    MemoryBudget budget;
    const JxlMemoryManager memory { &budget, MemoryBudget::allocate, MemoryBudget::release };
    const std::unique_ptr<JxlDecoder, DecoderDeleter> decoder(jxl.JxlDecoderCreate(&memory));
    if (!decoder)
        throw std::bad_alloc();
    const auto input = reinterpret_cast<const uint8_t *>(file.constData());
    if (jxl.JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS
        || jxl.JxlDecoderSetInput(decoder.get(), input, size_t(file.size())) != JXL_DEC_SUCCESS)
        throw TPictureError("JPEG XL: the decoder cannot start");
    jxl.JxlDecoderCloseInput(decoder.get());
    const JxlPixelFormat format { 4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0 };
    QImage picture;
    for (;;) {
        switch (jxl.JxlDecoderProcessInput(decoder.get())) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (jxl.JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                throw TPictureError("JPEG XL: no picture header");
            if (!PictureSizeAllowed(info.xsize, info.ysize))
                throw TPictureError("JPEG XL: the picture is empty or too large");
            // Orientations 5 to 8 turn the picture by a quarter.
            const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
            picture = QImage(
                int(turned ? info.ysize : info.xsize), int(turned ? info.xsize : info.ysize), QImage::Format_RGBA8888);
            if (picture.isNull())
                throw std::bad_alloc();
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t needed = 0;
            if (picture.isNull() || jxl.JxlDecoderImageOutBufferSize(decoder.get(), &format, &needed) != JXL_DEC_SUCCESS
                || needed != size_t(picture.sizeInBytes())
                || jxl.JxlDecoderSetImageOutBuffer(decoder.get(), &format, picture.bits(), needed) != JXL_DEC_SUCCESS)
                throw TPictureError("JPEG XL: unexpected picture layout");
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            return WholePicture(picture);
        case JXL_DEC_NEED_MORE_INPUT:
            throw TPictureError("JPEG XL: the file is truncated");
        default:
            throw TPictureError("JPEG XL: the file is corrupt or cannot be decoded");
        }
    }
}
