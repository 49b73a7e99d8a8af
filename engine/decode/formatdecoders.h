#pragma once

#include "engine/decode/picturereader.h"

#include <QByteArray>
#include <QImage>

// Decoders of the picture types that Qt does not read, each working on the whole file in memory
// within the bounds of decodinglimits.h. Each throws TPictureError for a file it cannot decode.

// Camera RAW (CR2, CR3, NEF, ARW, DNG, ORF, RW2, RAF, PEF, SRW) through LibRaw.
QImage DecodeRaw(const QByteArray &file);

// HEIC, HEIF and AVIF through libheif: the primary picture with the rotation, mirroring and
// cropping the file asks for. Under a request for a reduced picture, the largest thumbnail of the
// primary picture that ReducedPictureFits and that is turned the same way, when there is one.
TPictureSource DecodeHeif(const QByteArray &file, const TPictureRequest &request);

// JPEG XL through libjxl: the first frame, turned as its orientation says. Always the whole
// picture: libjxl 0.7 renders a 1:8 (DC) image only at the full size, through the same pipeline,
// which costs as much as decoding every pass.
TPictureSource DecodeJxl(const QByteArray &file);
