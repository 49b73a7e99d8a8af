#pragma once

#include "engine/decode/picturereader.h"

#include <QByteArray>
#include <QImage>

// Decoders of the picture types that Qt does not read, each working on the whole file in memory
// within the bounds of decodinglimits.h. Each throws TPictureError for a file it cannot decode.

// Camera RAW (CR2, CR3, NEF, ARW, DNG, ORF, RW2, RAF, PEF, SRW) through LibRaw.
QImage DecodeRaw(const QByteArray &file);

// HEIC, HEIF and AVIF through libheif: the primary picture with the rotation, mirroring and
// cropping the file asks for.
TPictureSource DecodeHeif(const QByteArray &file, const TPictureRequest &request);

// JPEG XL through libjxl: the first frame, turned as its orientation says.
TPictureSource DecodeJxl(const QByteArray &file, const TPictureRequest &request);
