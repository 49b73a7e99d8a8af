#pragma once

#include <QByteArray>
#include <QImage>

// A picture file as read, before any scaling: a JPEG file keeps its compressed bytes, every
// other type is decoded to a bitmap.
struct TPictureSource {
    QByteArray JpegData;
    QImage Picture;
};

// Reads the picture at `path` (raw path bytes) with the decoder that its extension selects
// (DecoderOf), within the bounds of decodinglimits.h. The search and the preview both read through
// here. A FIFO or device in a picture's place is refused without blocking. Throws TPictureError
// with a reason that does not repeat the path.
TPictureSource ReadPictureFile(const QByteArray &path);

// ReadPictureFile on the file's bytes read already; `path` only selects the decoder.
TPictureSource ReadPictureBytes(const QByteArray &path, const QByteArray &bytes);

// The whole content of the picture file at `path`, within the bound a search reads a file to; a
// file of a type no decoder knows is not read. Throws TPictureError.
QByteArray ReadWholePictureFile(const QByteArray &path);
