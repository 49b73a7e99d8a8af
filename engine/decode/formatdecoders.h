#pragma once

#include "engine/decode/picturereader.h"

#include <QByteArray>
#include <QImage>

#include <optional>

// Decoders of the picture types that Qt does not read, each working on the whole file in memory
// within the bounds of decodinglimits.h. Each throws TPictureError for a file it cannot decode.

// Camera RAW (CR2, CR3, NEF, ARW, DNG, ORF, RW2, RAF, PEF, SRW) through LibRaw, turned as the file
// says. A request for a reduced picture takes the camera's JPEG preview (Origin "preview") where it
// shows the whole picture and is large enough (reducedscale.h), decoded at the smallest JPEG scale
// that still is; otherwise, and for a broken preview, the raw data is developed as a whole.
TPictureSource DecodeRaw(const QByteArray &file, const TPictureRequest &request);

// HEIC, HEIF and AVIF through libheif: the primary picture with the rotation, mirroring and
// cropping the file asks for. Under a request for a reduced picture, the largest thumbnail of the
// primary picture that ReducedPictureFits and that is turned the same way, when there is one.
TPictureSource DecodeHeif(const QByteArray &file, const TPictureRequest &request);

// JPEG XL through libjxl: the first frame, turned as its orientation says, as the whole picture
// (libjxl 0.7 renders a 1:8 (DC) image only at the full size, through the same pipeline, which costs
// as much as decoding every pass). A request for a reduced picture of a file transcoded from a JPEG
// and stored unturned gets that JPEG's exact bytes back instead (JpegData, Origin "JPEG"), written
// by libjxl without rendering a pixel, so that it signs as the JPEG it was; where they cannot be had
// whole, the pixels are decoded.
TPictureSource DecodeJxl(const QByteArray &file, const TPictureRequest &request);

// WebP through libwebp, as Qt's reader gives it: alpha dropped (the colours kept unmultiplied),
// no orientation applied. A request for a reduced picture is decoded scaled down by libwebp while
// decoding (Origin "scaled", reducedscale.h). Nothing for an animation, whose first frame only
// Qt's reader composes.
std::optional<TPictureSource> DecodeWebp(const QByteArray &file, const TPictureRequest &request);
