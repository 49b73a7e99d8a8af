#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// What a reader is asked for. MinSide 0 asks for the whole picture at its full size (the
// preview). A larger MinSide accepts any picture that shows the whole picture with at least that
// many pixels on each side, reduced at most MaxReduction times on each side (0: any reduction),
// and with the same aspect ratio (ReducedPictureFits), which lets a decoder hand over a thumbnail
// the file carries or decode at a reduced scale (signing).
struct TPictureRequest {
    int MinSide = 0;
    int MaxReduction = 0;
};

// What signing asks for: enough for the 128 x 128 work bitmap, and no smaller than the 1:8 scale
// the JPEG path decodes at, which the work bitmap's sampling is made for (a 320 x 240 thumbnail of
// a 12-megapixel photograph signs below 75% of its JPEG twin).
TPictureRequest SigningRequest();

// Whether a reduced picture of `reduced` size may stand for a whole picture of `full` size under
// `request`: at least MinSide on each side, within MaxReduction, and the aspect ratio within 1%.
// Never for MinSide 0.
bool ReducedPictureFits(QSize reduced, QSize full, const TPictureRequest &request);

// A picture file as read, before any scaling: a JPEG file keeps its compressed bytes (as does a
// JPEG XL transcoded from one, when signed), every other type is decoded to a bitmap.
struct TPictureSource {
    QByteArray JpegData;
    QImage Picture;
    // The whole picture's size when JpegData or Picture holds a reduced picture that a request
    // allowed; invalid when they hold the whole picture.
    QSize FullSize;
    // What the decoder read, for benches and tests: "full", its reduced source ("thumbnail",
    // "scaled", "preview"), or "JPEG" for the JPEG a JPEG XL was transcoded from.
    const char *Origin = "full";
};

// The source holding the whole `picture`.
TPictureSource WholePicture(QImage picture);

// Reads the picture at `path` (raw path bytes) with the decoder that its extension selects
// (DecoderOf), within the bounds of decodinglimits.h. The search and the preview both read through
// here, the search with SigningRequest. A FIFO or device in a picture's place is refused without
// blocking. Throws TPictureError with a reason that does not repeat the path.
TPictureSource ReadPictureFile(const QByteArray &path, const TPictureRequest &request = {});

// ReadPictureFile on the file's bytes read already; `path` only selects the decoder.
TPictureSource ReadPictureBytes(const QByteArray &path, const QByteArray &bytes, const TPictureRequest &request = {});

// The whole content of the picture file at `path`, within the bound a search reads a file to; a
// file of a type no decoder knows is not read. Throws TPictureError.
QByteArray ReadWholePictureFile(const QByteArray &path);
