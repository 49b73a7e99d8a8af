#include "engine/base/decodinglimits.h"
#include "engine/base/lazylibrary.h"
#include "engine/base/pictureerror.h"
#include "engine/decode/formatdecoders.h"
#include "engine/decode/reducedscale.h"

#include <webp/decode.h>

#include <new>

namespace
{

#define QUORVANE_WEBP_FUNCTIONS(X)                                                                                     \
    X(WebPInitDecoderConfigInternal)                                                                                   \
    X(WebPGetFeaturesInternal)                                                                                         \
    X(WebPDecode)                                                                                                      \
    X(WebPFreeDecBuffer)

// The libwebp functions the decoder calls, each named after its function.
struct TWebpApi {
    QUORVANE_WEBP_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveWebp(void *library, TWebpApi &api) { return true QUORVANE_WEBP_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

const TWebpApi &webpApi() { return LazyApi(QUORVANE_LIBWEBP_FILE, resolveWebp, "WebP"); }

struct TOutputFree {
    WebPDecBuffer *buffer;
    ~TOutputFree() { webpApi().WebPFreeDecBuffer(buffer); }
};

// The bytes for each pixel of the whole picture that libwebp holds while decoding, whatever the
// output's size: a lossless picture's pixels in 32 bits, a lossy one's alpha plane in 8; lossy colour
// goes a few rows at a time.
int wholePictureBytesPerPixel(const WebPBitstreamFeatures &features)
{
    constexpr int kLossless = 2;
    if (features.format == kLossless)
        return 4;
    return features.has_alpha ? 1 : 0;
}

// The size to decode a picture of `full` size at: reduced where the request allows it.
QSize decodedSize(QSize full, const TPictureRequest &request)
{
    const int scale = FittingScale(full, full, request);
    return scale > 1 ? ScaledSize(full, scale) : full;
}

}

std::optional<TPictureSource> DecodeWebp(const QByteArray &file, const TPictureRequest &request)
{
    const TWebpApi &webp = webpApi();
    WebPDecoderConfig config;
    if (!webp.WebPInitDecoderConfigInternal(&config, WEBP_DECODER_ABI_VERSION))
        throw TPictureError("WebP: libwebp does not match its header");
    const auto *data = reinterpret_cast<const uint8_t *>(file.constData());
    const size_t size = size_t(file.size());
    if (webp.WebPGetFeaturesInternal(data, size, &config.input, WEBP_DECODER_ABI_VERSION) != VP8_STATUS_OK)
        throw TPictureError("WebP: no picture header");
    const QSize full(config.input.width, config.input.height);
    if (!PictureSizeAllowed(full.width(), full.height()))
        throw TPictureError("WebP: the picture is empty or too large");
    if (config.input.has_animation)
        return std::nullopt;
    const QSize decoded = decodedSize(full, request);
    const int outputBytesPerPixel = decoded == full ? 3 : 0;
    if (!DecodeFitsBudget(full.width(), full.height(), wholePictureBytesPerPixel(config.input) + outputBytesPerPixel))
        throw TPictureError("WebP: the picture is too large to decode within the memory budget");
    TPictureSource source = WholePicture(QImage(decoded, QImage::Format_RGB888));
    QImage &picture = source.Picture;
    if (picture.isNull())
        throw std::bad_alloc();
    if (decoded != full) {
        source.FullSize = full;
        source.Origin = "scaled";
        config.options.use_scaling = 1;
        config.options.scaled_width = decoded.width();
        config.options.scaled_height = decoded.height();
    }
    config.output.colorspace = MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.bits();
    config.output.u.RGBA.stride = int(picture.bytesPerLine());
    config.output.u.RGBA.size = size_t(picture.sizeInBytes());
    const TOutputFree release { &config.output };
    switch (webp.WebPDecode(data, size, &config)) {
    case VP8_STATUS_OK:
        return source;
    case VP8_STATUS_OUT_OF_MEMORY:
        throw std::bad_alloc();
    case VP8_STATUS_NOT_ENOUGH_DATA:
        throw TPictureError("WebP: the file is truncated");
    default:
        throw TPictureError("WebP: the file is corrupt or cannot be decoded");
    }
}
