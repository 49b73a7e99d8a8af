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
    X(JxlDecoderSetImageOutBuffer)                                                                                     \
    X(JxlDecoderSetProgressiveDetail)                                                                                  \
    X(JxlDecoderGetIntendedDownsamplingRatio)                                                                          \
    X(JxlDecoderFlushImage)                                                                                            \
    X(JxlDecoderSkipCurrentFrame)                                                                                      \
    X(JxlDecoderReleaseInput)

// The libjxl functions the decoder calls, each named after its function.
struct TJxlApi {
    QUORVANE_JXL_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveJxl(void *library, TJxlApi &api) { return true QUORVANE_JXL_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

const TJxlApi &jxlApi() { return LazyApi(QUORVANE_LIBJXL_FILE, resolveJxl, "JPEG XL"); }

// The picture is decoded as 8-bit RGBA.
constexpr qint64 kPixelBytes = 4;

// Counts libjxl's own allocations and refuses those beyond what the decoding budget leaves
// beside the picture. Each block carries its size in front, since libjxl frees by address alone.
struct MemoryBudget {
    size_t limit = size_t(kDecodeMemoryBudgetBytes);
    size_t used = 0;

    static void *allocate(void *opaque, size_t size)
    {
        auto *budget = static_cast<MemoryBudget *>(opaque);
        if (budget->used > budget->limit || size > budget->limit - budget->used)
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

// Whether the frame whose DC has just been flushed ends within `file`, as the whole decoding would
// need it to: skipping the frame moves the decoder on by the frame's size without reading it, and
// a byte placed beyond the file's end is left over only when that size fits in the file.
bool frameEndsWithinFile(JxlDecoder *decoder, const QByteArray &file)
{
    const TJxlApi &jxl = jxlApi();
    const size_t unread = jxl.JxlDecoderReleaseInput(decoder);
    const QByteArray rest = file.right(qsizetype(unread)) + '\0';
    return jxl.JxlDecoderSetInput(decoder, reinterpret_cast<const uint8_t *>(rest.constData()), size_t(rest.size()))
        == JXL_DEC_SUCCESS
        && jxl.JxlDecoderSkipCurrentFrame(decoder) == JXL_DEC_SUCCESS && jxl.JxlDecoderReleaseInput(decoder) > 0;
}

struct DecoderDeleter {
    void operator()(JxlDecoder *decoder) const { jxlApi().JxlDecoderDestroy(decoder); }
};

}

TPictureSource DecodeJxl(const QByteArray &file, const TPictureRequest &request)
{
    const TJxlApi &jxl = jxlApi();
    MemoryBudget budget;
    const JxlMemoryManager memory { &budget, MemoryBudget::allocate, MemoryBudget::release };
    const std::unique_ptr<JxlDecoder, DecoderDeleter> decoder(jxl.JxlDecoderCreate(&memory));
    if (!decoder)
        throw std::bad_alloc();
    const auto input = reinterpret_cast<const uint8_t *>(file.constData());
    // A lossy picture holds its 1:8 image (the DC) first; signing may stop there.
    const bool mayStopAtDc = request.MinSide > 0;
    const int events = JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE | (mayStopAtDc ? JXL_DEC_FRAME_PROGRESSION : 0);
    if (jxl.JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS
        || (mayStopAtDc && jxl.JxlDecoderSetProgressiveDetail(decoder.get(), kDC) != JXL_DEC_SUCCESS)
        || jxl.JxlDecoderSetInput(decoder.get(), input, size_t(file.size())) != JXL_DEC_SUCCESS)
        throw TPictureError("JPEG XL: the decoder cannot start");
    // Input stays open on the way to the DC, which checks where the frame ends with more of it.
    if (!mayStopAtDc)
        jxl.JxlDecoderCloseInput(decoder.get());
    const JxlPixelFormat format { 4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0 };
    QImage picture;
    for (;;) {
        switch (jxl.JxlDecoderProcessInput(decoder.get())) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (jxl.JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                throw TPictureError("JPEG XL: no picture header");
            if (!DecodeFitsBudget(info.xsize, info.ysize, kPixelBytes))
                throw TPictureError("JPEG XL: the picture is empty or too large");
            // Orientations 5 to 8 turn the picture by a quarter.
            const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
            picture = QImage(
                int(turned ? info.ysize : info.xsize), int(turned ? info.xsize : info.ysize), QImage::Format_RGBA8888);
            if (picture.isNull())
                throw std::bad_alloc();
            budget.limit -= size_t(picture.sizeInBytes());
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
        // The flushed DC comes upsampled to the full size, turned as the file says.
        case JXL_DEC_FRAME_PROGRESSION:
            if (jxl.JxlDecoderGetIntendedDownsamplingRatio(decoder.get()) == 8
                && jxl.JxlDecoderFlushImage(decoder.get()) == JXL_DEC_SUCCESS) {
                if (!frameEndsWithinFile(decoder.get(), file))
                    throw TPictureError("JPEG XL: the file is truncated");
                TPictureSource source = WholePicture(picture);
                source.Origin = "DC";
                return source;
            }
            break;
        case JXL_DEC_FULL_IMAGE:
            return WholePicture(picture);
        case JXL_DEC_NEED_MORE_INPUT:
            throw TPictureError("JPEG XL: the file is truncated");
        default:
            throw TPictureError("JPEG XL: the file is corrupt or cannot be decoded");
        }
    }
}
