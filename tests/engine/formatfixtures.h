#pragma once

#include <QByteArray>
#include <QImage>

// Pictures of the types beyond the first six, encoded at run time by their own libraries from
// generated content. `fast` trades size and quality for encoding speed (camera-sized benches).

QByteArray EncodeWebp(const QImage &image);

// What a HEIF file carries beside its picture: a thumbnail of the primary picture (none when
// null) and the EXIF-numbered orientation that its irot and imir boxes give both of them.
struct THeifExtras {
    QImage Thumbnail;
    int Orientation = 1;
};

// HEIC (HEVC through x265) and AVIF (AV1 through aom), lossy at quality 90.
QByteArray EncodeHeic(const QImage &image, bool fast = false, const THeifExtras &extras = {});
QByteArray EncodeAvif(const QImage &image, bool fast = false, const THeifExtras &extras = {});

// `image` scaled smoothly to fit a square of `side`, as a camera makes the thumbnail it stores.
QImage CameraThumbnail(const QImage &image, int side);

// JPEG XL at visually lossless distance 1.
QByteArray EncodeJxl(const QImage &image, bool fast = false);

// A JPEG XL transcoded losslessly from the JPEG file `jpeg`, with the data that gives its exact
// bytes back, as cjxl writes one by default.
QByteArray EncodeJxlFromJpeg(const QByteArray &jpeg);

// A JPEG XL of a `width` x `height` canvas that holds one 64 x 64 layer: a few hundred bytes that
// claim a huge picture.
QByteArray EncodeJxlCanvas(int width, int height);

// An uncompressed linear (already demosaiced) 16-bit RGB DNG of `image`, as a camera's raw
// converter writes one, with the TIFF `orientation` and, unless null, `preview` as its JPEG
// preview (of the unturned picture, as cameras store it).
QByteArray EncodeLinearDng(const QImage &image, const QImage &preview = QImage(), quint16 orientation = 1);

// EncodeLinearDng through a Bayer pattern: one 16-bit sample a pixel, to be demosaiced, the size of
// an uncompressed camera raw file.
QByteArray EncodeMosaicDng(const QImage &image, const QImage &preview = QImage());
