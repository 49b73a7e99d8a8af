#pragma once

#include "engine/base/decodinglimits.h"

#include <QByteArray>
#include <QImage>

#include <array>

// Full-size dimensions from a JPEG header.
struct TJpegSize {
    int Width = 0;
    int Height = 0;
};

// Reads the full width and height from the JPEG held in `jpeg`. Throws TPictureError when the
// data is not a JPEG, the size is zero or above kMaxPicturePixels.
TJpegSize ReadJpegSize(const QByteArray &jpeg);

// Decodes the JPEG in `jpeg` at scale 1/`scaleDenominator` (1, 2, 4 or 8) with the fast integer
// inverse DCT and returns it as Format_RGB888. Greyscale, YCbCr, CMYK and YCCK pictures are
// accepted. Throws TPictureError on corrupt or truncated data and on too many progressive scans.
QImage DecodeJpeg(const QByteArray &jpeg, int scaleDenominator);

// Encodes `image` as a baseline colour JPEG at quality 90 from a 24-bit copy (alpha dropped).
// Throws TPictureError when the image is empty or the encoder fails.
QByteArray EncodeJpeg(const QImage &image);

// How EncodeJpeg encodes: its quantisation tables in natural order, whether its components are
// Y, Cb and Cr with the chroma halved both ways (one table shared by both chroma components),
// whether it uses libjpeg's slow-but-accurate integer forward DCT, and the longest side it takes.
struct TJpegEncoderSetup {
    std::array<quint16, 64> LumaTable {};
    std::array<quint16, 64> ChromaTable {};
    bool YCbCr420 = false;
    bool IslowDct = false;
    int MaxSide = 0;
};

// Read from libjpeg set up exactly as EncodeJpeg sets it up.
TJpegEncoderSetup JpegEncoderSetup();
