#pragma once

#include <QByteArray>
#include <QImage>

// Pictures of the types beyond the first six, encoded at run time by their own libraries from
// generated content. `fast` trades size and quality for encoding speed (camera-sized benches).

QByteArray EncodeWebp(const QImage &image);

// HEIC (HEVC through x265) and AVIF (AV1 through aom), lossy at quality 90.
QByteArray EncodeHeic(const QImage &image, bool fast = false);
QByteArray EncodeAvif(const QImage &image, bool fast = false);

// JPEG XL at visually lossless distance 1.
QByteArray EncodeJxl(const QImage &image, bool fast = false);

// An uncompressed linear (already demosaiced) 16-bit RGB DNG of `image`, as a camera's raw
// converter writes one, with the TIFF `orientation` and, unless null, `preview` as its JPEG
// preview (of the unturned picture, as cameras store it).
QByteArray EncodeLinearDng(const QImage &image, const QImage &preview = QImage(), quint16 orientation = 1);

// EncodeLinearDng through a Bayer pattern: one 16-bit sample a pixel, to be demosaiced, the size of
// an uncompressed camera raw file.
QByteArray EncodeMosaicDng(const QImage &image, const QImage &preview = QImage());
