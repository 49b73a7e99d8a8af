#pragma once

#include "engine/base/catalogue.h"
#include "engine/store/contenthash.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

struct TSettings;

// A truncated matrix as the comparison looks it up: only the sign of each kept coefficient, by
// packed position (row * 128 + column). At a byte an entry it fits in the first-level cache, where
// the doubles would take 128 KB to clear and to look up for every picture.
using TSignMatrix = std::array<int8_t, kWorkBitmapSize * kWorkBitmapSize>;

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

// What signs one picture in a search: the decoders' SignPicture, or a stand-in in tests.
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

// What SignPicture would return under `settings` for the content `content` was signed from:
// nothing in `signature` for a picture it skips. Returns false when `content` cannot tell, as it
// was decoded at another scale or lacks the (plain or transposed) wavelet lists that these
// settings need.
bool ReuseSignedContent(
    const TSignedContent &content, const TSettings &settings, std::optional<TPictureSignature> &signature);

// The truncated matrix of a signed picture: +1 at its positive positions, -1 at its negative
// ones, 0 elsewhere. The kept positions are exactly the listed ones, so nothing is lost.
void RebuildWaveletMatrix(const TWaveletCoefs &positive, const TWaveletCoefs &negative, TSignMatrix &matrix);

// A text form of a signature, for golden values and the command-line tool: lines "height H",
// "width W", "pos COUNT r,c r,c ..." and "neg COUNT r,c ...", tab-separated, LF-terminated.
QByteArray SignatureText(const TPictureSignature &signature);
