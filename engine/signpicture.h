#pragma once

#include "catalogue.h"
#include "jpegdetour.h"
#include "pictureprocessing.h"

#include <QByteArray>

#include <functional>
#include <optional>

struct TSettings;

// What a search stores about one accepted picture.
struct TPictureSignature {
    int32_t Height = 0;
    int32_t Width = 0;
    TPreBuffer PreBuffer {};
    TWaveletCoefs WaveletCoefsPos;
    TWaveletCoefs WaveletCoefsNeg;
};

// Loads and signs the picture at `path` as a search does. Returns nothing when the picture
// cannot be read or is below the minimum size. The wavelet lists stay empty when only
// identical files are searched. Touches no shared state, so it may run on any thread.
std::optional<TPictureSignature> SignPicture(const QByteArray &path, const TSettings &settings);

// What signs one picture in a search: SignPicture, or a stand-in in tests.
using TPictureSigner = std::function<std::optional<TPictureSignature>(const QByteArray &, const TSettings &)>;

// SignPicture with the JPEG detour of a picture that is not a JPEG file taken the way `detour`
// says; both ways give the same signature.
std::optional<TPictureSignature> SignPictureVia(const QByteArray &path, const TSettings &settings, TJpegDetour detour);

// The truncated matrix of a signed picture: +1 at its positive positions, -1 at its negative
// ones, 0 elsewhere. The kept positions are exactly the listed ones, so nothing is lost.
void RebuildWaveletMatrix(const TWaveletCoefs &positive, const TWaveletCoefs &negative, WaveletMatrix &matrix);

// A text form of a signature, for golden values and the command-line tool: lines "height H",
// "width W", "pos COUNT r,c r,c ..." and "neg COUNT r,c ...", tab-separated, LF-terminated.
QByteArray SignatureText(const TPictureSignature &signature);
