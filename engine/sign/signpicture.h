#pragma once

#include "engine/base/catalogue.h"
#include "engine/decode/jpegdetour.h"
#include "engine/sign/pictureprocessing.h"
#include "engine/store/contenthash.h"

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
    // The lists of the working picture transposed, from which the turned orientations follow;
    // computed only when a search looks for turned copies.
    TWaveletCoefs TransposedCoefsPos;
    TWaveletCoefs TransposedCoefsNeg;
    // The hash of the whole content that was signed, when the store read the file or vouched for
    // its identity: equal hashes prove equal bytes without reading both files again.
    std::optional<TContentHash> ContentHash;
};

// Loads and signs the picture at `path` as a search does. Returns nothing when the picture
// cannot be read or is below the minimum size. The wavelet lists stay empty when only
// identical files are searched, the transposed ones unless turned copies are searched. Touches no shared state, so it
// may run on any thread.
std::optional<TPictureSignature> SignPicture(const QByteArray &path, const TSettings &settings);

// What signs one picture in a search: SignPicture, or a stand-in in tests.
using TPictureSigner = std::function<std::optional<TPictureSignature>(const QByteArray &, const TSettings &)>;

// Everything signing one file's content yields, also for a picture that is skipped, so that a
// later search with other settings can tell whether it may reuse it.
struct TSignedContent {
    // False when the picture could not be read.
    bool Loaded = false;
    // The JPEG decoding scale chosen from the picture's size; 0 when it failed before one was.
    int ScaleDenominator = 0;
    // Whether the wavelet lists were computed: not in identical-only searches nor for pictures
    // below the minimum size.
    bool HasWavelets = false;
    // Whether the transposed lists were computed too, as searches for turned copies need.
    bool HasTransposedWavelets = false;
    // Height and Width as read from the header (0 when unknown), the PreBuffer and the lists.
    TPictureSignature Signature;
};

// Signs the picture whose file content `bytes` was read from `path` (which chooses the decoder),
// as SignPicture would sign that file.
TSignedContent SignContent(const QByteArray &path, const QByteArray &bytes, const TSettings &settings);

// What SignPicture would return under `settings` for the content `content` was signed from:
// nothing in `signature` for a picture it skips. Returns false when `content` cannot tell, as it
// was decoded at another scale or lacks the (plain or transposed) wavelet lists that these
// settings need.
bool ReuseSignedContent(
    const TSignedContent &content, const TSettings &settings, std::optional<TPictureSignature> &signature);
// SignPicture with the JPEG detour of a picture that is not a JPEG file taken the way `detour`
// says; both ways give the same signature.
std::optional<TPictureSignature> SignPictureVia(const QByteArray &path, const TSettings &settings, TJpegDetour detour);

// The truncated matrix of a signed picture: +1 at its positive positions, -1 at its negative
// ones, 0 elsewhere. The kept positions are exactly the listed ones, so nothing is lost.
void RebuildWaveletMatrix(const TWaveletCoefs &positive, const TWaveletCoefs &negative, TSignMatrix &matrix);

// A text form of a signature, for golden values and the command-line tool: lines "height H",
// "width W", "pos COUNT r,c r,c ..." and "neg COUNT r,c ...", tab-separated, LF-terminated.
QByteArray SignatureText(const TPictureSignature &signature);
