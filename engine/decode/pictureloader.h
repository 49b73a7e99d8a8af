#pragma once

#include "engine/base/picturesize.h"
#include "engine/decode/jpegdetour.h"

#include <QByteArray>
#include <QImage>

struct TSettings;

// Loads the picture at `path` (raw path bytes) the way a search does: the decoder is chosen by
// the file's extension, every picture that is not a JPEG file takes the JPEG detour at quality
// 90 (JpegDetour, the way `detour` says; both ways give the same pixels), and the JPEG is
// decoded at 1/8, 1/4 or full scale and stretched (nearest neighbour) onto WorkBitmap, which
// becomes 128 x 128 Format_BGR888. The reader is asked with SigningRequest: a reduced picture it
// hands over (a thumbnail, a 1:8 decoding) is sampled where the whole picture would be, without
// the detour. Height and Width receive the picture's full size. Throws
// TPictureError when the picture cannot be read; WorkBitmap and the sizes are then unspecified.
void LoadPicture(const QByteArray &path, QImage &WorkBitmap, int &Height, int &Width, const TSettings &settings,
    TJpegDetour detour = TJpegDetour::Shortcut);

// LoadPicture on the file's bytes read already; `path` only chooses the decoder. Height and Width
// are set as soon as the JPEG header has been read, also when decoding fails after it.
void LoadPictureBytes(const QByteArray &path, const QByteArray &bytes, QImage &WorkBitmap, int &Height, int &Width,
    const TSettings &settings, TJpegDetour detour);

// Stretches `source` (any size and format) onto the 128 x 128 WorkBitmap by sampling pixel
// centres, so that the result does not depend on a platform's stretching code.
void StretchToWorkBitmap(const QImage &source, QImage &WorkBitmap);
