#include "fuzztarget.h"

#include "engine/base/pictureerror.h"
#include "engine/decode/jpegcodec.h"

#include <QByteArray>

namespace
{

constexpr int kScales[] = { 1, 2, 4, 8 };

}

// The first byte picks the decoding scale; the rest is the JPEG data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int scale = kScales[data[0] % std::size(kScales)];
    const QByteArray jpeg = QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    try {
        const TJpegSize claimed = ReadJpegSize(jpeg);
        const QImage decoded = DecodeJpeg(jpeg, scale);
        if (decoded.width() != (claimed.Width + scale - 1) / scale
            || decoded.height() != (claimed.Height + scale - 1) / scale)
            FuzzFailure("decoded size does not follow the header and the scale");
    } catch (const TPictureError &) {
    }
    return 0;
}
