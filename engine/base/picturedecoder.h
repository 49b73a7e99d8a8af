#pragma once

#include <QByteArray>

#include <cstdint>

struct TSettings;

// The decoders a picture file is read with. A stored signature answers for the decoder that made
// it, so these numbers are kept in signature stores: never renumber or reuse one.
enum class TPictureDecoder : uint8_t {
    None = 0,
    Jpeg = 1,
    Png = 2,
    // Qt's reader choosing the codec from the content.
    Tiff = 3,
    Bmp = 4,
    Gif = 5,
    Webp = 6,
    Heif = 7,
    Jxl = 8,
    Raw = 9,
};

// The decoder that the extension of `path` (from the name's last dot, any case) selects; None for
// an extension that no decoder knows.
TPictureDecoder DecoderOf(const QByteArray &path);

// DecoderOf for a search under `settings`: the types after the first six decode nothing while
// they are off, so that a file a mask of another type collected (scan.tif.webp by "*.tif*") is
// skipped rather than read as a type the search leaves out.
TPictureDecoder SearchedDecoderOf(const QByteArray &path, const TSettings &settings);
