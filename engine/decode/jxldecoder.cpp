#include "engine/base/decodinglimits.h"
#include "engine/base/lazylibrary.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/formatdecoders.h"
#include "engine/decode/jpegcodec.h"

#include <jxl/decode.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

namespace
{

#define QUORVANE_JXL_FUNCTIONS(X)                                                                                      \
    X(JxlDecoderCreate)                                                                                                \
    X(JxlDecoderDestroy)                                                                                               \
    X(JxlDecoderSubscribeEvents)                                                                                       \
    X(JxlDecoderSetKeepOrientation)                                                                                    \
    X(JxlDecoderSetInput)                                                                                              \
    X(JxlDecoderCloseInput)                                                                                            \
    X(JxlDecoderProcessInput)                                                                                          \
    X(JxlDecoderGetBasicInfo)                                                                                          \
    X(JxlDecoderImageOutBufferSize)                                                                                    \
    X(JxlDecoderSetImageOutBuffer)                                                                                     \
    X(JxlDecoderSetJPEGBuffer)                                                                                         \
    X(JxlDecoderReleaseJPEGBuffer)

// The libjxl functions the decoder calls, each named after its function.
struct TJxlApi {
    QUORVANE_JXL_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveJxl(void *library, TJxlApi &api) { return true QUORVANE_JXL_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

const TJxlApi &jxlApi() { return LazyApi(QUORVANE_LIBJXL_FILE, resolveJxl, "JPEG XL"); }

// The picture is decoded as 8-bit RGBA.
constexpr qint64 kPixelBytes = 4;

// Counts libjxl's own allocations and refuses those beyond what the decoding budget leaves beside
// the buffers the decoder holds itself. Each block carries its size in front, since libjxl frees by
// address alone.
struct MemoryBudget {
    size_t limit = size_t(kDecodeMemoryBudgetBytes);
    size_t used = 0;

    bool fits(size_t bytes) const { return used <= limit && bytes <= limit - used; }

    // Sets `bytes` aside for a buffer of the decoder's own; false when they do not fit.
    bool reserve(size_t bytes)
    {
        if (!fits(bytes))
            return false;
        limit -= bytes;
        return true;
    }

    static void *allocate(void *opaque, size_t size)
    {
        auto *budget = static_cast<MemoryBudget *>(opaque);
        if (!budget->fits(size))
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

// One pass of libjxl over the whole file, reporting `events`, its allocations held to `Budget`.
struct TJxlPass {
    MemoryBudget Budget;
    JxlMemoryManager Memory { &Budget, MemoryBudget::allocate, MemoryBudget::release };
    std::unique_ptr<JxlDecoder, DecoderDeleter> Decoder;
    // False when libjxl refused the events or the input.
    bool Started = false;

    TJxlPass(const TJxlApi &jxl, const QByteArray &file, int events)
        : Decoder(jxl.JxlDecoderCreate(&Memory))
    {
        if (!Decoder)
            throw std::bad_alloc();
        Started = jxl.JxlDecoderSubscribeEvents(Decoder.get(), events) == JXL_DEC_SUCCESS
            && jxl.JxlDecoderSetInput(
                   Decoder.get(), reinterpret_cast<const uint8_t *>(file.constData()), size_t(file.size()))
                == JXL_DEC_SUCCESS;
        jxl.JxlDecoderCloseInput(Decoder.get());
    }
};

// The JPEG a file transcoded from one holds (cjxl's default for JPEG input), written back by libjxl
// without rendering a pixel. Only where the picture is stored unturned: the JPEG path leaves a JPEG's
// own orientation tag alone, while the pixels are shown turned. Nothing when the file holds no such
// JPEG, or when writing it fails part-way or gives another picture's size: decoding the pixels then
// reads or refuses the file as it always did, since libjxl reads no JPEG data for pixels.
std::optional<QByteArray> reconstructedJpeg(const TJxlApi &jxl, const QByteArray &file)
{
    TJxlPass pass(jxl, file, JXL_DEC_BASIC_INFO | JXL_DEC_JPEG_RECONSTRUCTION | JXL_DEC_FULL_IMAGE);
    JxlDecoder *decoder = pass.Decoder.get();
    if (!pass.Started || jxl.JxlDecoderSetKeepOrientation(decoder, JXL_TRUE) != JXL_DEC_SUCCESS)
        return std::nullopt;
    JxlBasicInfo info {};
    QByteArray jpeg;
    qsizetype written = 0;
    // Grows the JPEG to `size` bytes within the budget and a JPEG file's bound, and hands libjxl
    // the part after what it wrote.
    const auto offer = [&](qint64 size) {
        size = std::min(size, kMaxWholeFileBytes);
        if (size <= jpeg.size() || !pass.Budget.reserve(size_t(size - jpeg.size())))
            return false;
        jpeg.resize(qsizetype(size));
        return jxl.JxlDecoderSetJPEGBuffer(
                   decoder, reinterpret_cast<uint8_t *>(jpeg.data()) + written, size_t(jpeg.size() - written))
            == JXL_DEC_SUCCESS;
    };
    const auto takeWritten = [&] { written = jpeg.size() - qsizetype(jxl.JxlDecoderReleaseJPEGBuffer(decoder)); };
    for (;;) {
        switch (jxl.JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO:
            if (jxl.JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS
                || !DecodeFitsBudget(info.xsize, info.ysize, kPixelBytes) || info.orientation != JXL_ORIENT_IDENTITY)
                return std::nullopt;
            break;
        // Transcoding saves a fifth to a third of the JPEG, so twice the file is room enough at once.
        case JXL_DEC_JPEG_RECONSTRUCTION:
            if (!offer(2 * qint64(file.size()) + 64 * 1024))
                return std::nullopt;
            break;
        case JXL_DEC_JPEG_NEED_MORE_OUTPUT:
            takeWritten();
            if (!offer(2 * qint64(jpeg.size())))
                return std::nullopt;
            break;
        case JXL_DEC_FULL_IMAGE: {
            if (jpeg.isEmpty())
                return std::nullopt;
            takeWritten();
            jpeg.truncate(written);
            try {
                const TJpegSize size = ReadJpegSize(jpeg);
                if (qint64(size.Width) != info.xsize || qint64(size.Height) != info.ysize)
                    return std::nullopt;
            } catch (const TPictureError &) {
                return std::nullopt;
            }
            return jpeg;
        }
        // Pixels wanted: the file holds no JPEG. Errors and a truncated file are left to the pixels.
        default:
            return std::nullopt;
        }
    }
}

// The first frame's pixels, turned as the file says (libjxl turns them and reports the turned size).
QImage decodedPixels(const TJxlApi &jxl, const QByteArray &file)
{
    TJxlPass pass(jxl, file, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoder *decoder = pass.Decoder.get();
    if (!pass.Started)
        throw TPictureError("JPEG XL: the decoder cannot start");
    const JxlPixelFormat format { 4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0 };
    QImage picture;
    for (;;) {
        switch (jxl.JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (jxl.JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
                throw TPictureError("JPEG XL: no picture header");
            if (!DecodeFitsBudget(info.xsize, info.ysize, kPixelBytes))
                throw TPictureError("JPEG XL: the picture is empty or too large");
            picture = QImage(int(info.xsize), int(info.ysize), QImage::Format_RGBA8888);
            if (picture.isNull())
                throw std::bad_alloc();
            pass.Budget.limit -= size_t(picture.sizeInBytes());
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t needed = 0;
            if (picture.isNull() || jxl.JxlDecoderImageOutBufferSize(decoder, &format, &needed) != JXL_DEC_SUCCESS
                || needed != size_t(picture.sizeInBytes())
                || jxl.JxlDecoderSetImageOutBuffer(decoder, &format, picture.bits(), needed) != JXL_DEC_SUCCESS)
                throw TPictureError("JPEG XL: unexpected picture layout");
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            return picture;
        case JXL_DEC_NEED_MORE_INPUT:
            throw TPictureError("JPEG XL: the file is truncated");
        default:
            throw TPictureError("JPEG XL: the file is corrupt or cannot be decoded");
        }
    }
}

}

TPictureSource DecodeJxl(const QByteArray &file, const TPictureRequest &request)
{
    const TJxlApi &jxl = jxlApi();
    if (request.MinSide > 0)
        if (std::optional<QByteArray> jpeg = reconstructedJpeg(jxl, file)) {
            TPictureSource source;
            source.JpegData = std::move(*jpeg);
            source.Origin = "JPEG";
            return source;
        }
    return WholePicture(decodedPixels(jxl, file));
}
