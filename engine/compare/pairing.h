#pragma once

#include "engine/base/catalogue.h"
#include "engine/sign/signature.h"

#include <algorithm>
#include <optional>

// The search's rule for pairing two pictures, in one place for the comparison loop and for
// everything that must see the results as the search saw them (the marking rules). The later
// picture of the two is the current one: the earlier one's lists are looked up in its matrices.

// The current picture as the comparison looks it up: its truncated matrix and, where the search
// looks for turned copies, that of its working picture transposed.
struct TCurrentMatrices {
    const TSignMatrix &Unturned;
    const TSignMatrix *Transposed = nullptr;
};

// A pair the search makes: its similarity in percent (1 to 100) and how the later picture lies
// against the earlier one.
struct TPairing {
    double Similarity = 0;
    TOrientation Orientation = TOrientation::Unturned;
};

// What comparing the contents of two files found; Stopped when the comparison gave up because
// the search was stopped meanwhile.
enum class TContentsCompared { Different, Identical, Stopped };

struct TPairVerdict {
    // Nothing when the search does not pair the two.
    std::optional<TPairing> Pairing;
    bool Stopped = false;
};

// Whether pictures of `heightA` x `widthA` and `heightB` x `widthB` have aspect ratios close
// enough (within a factor 1.5) to be compared.
inline bool AspectRatiosComparable(int32_t heightA, int32_t widthA, int32_t heightB, int32_t widthB)
{
    constexpr long double kMaxAspectQuotient = 1.5L;
    // Each ratio is rounded to a double before the two are compared, as it always was.
    const auto ratio = [](int32_t height, int32_t width) {
        return double(static_cast<long double>(std::max(height, width)) / std::min(height, width));
    };
    const long double ratioA = ratio(heightA, widthA);
    const long double ratioB = ratio(heightB, widthB);
    return std::max(ratioA, ratioB) / std::min(ratioA, ratioB) <= kMaxAspectQuotient;
}

inline bool AspectRatiosComparable(const TPicInfo &a, const TPicInfo &b)
{
    return AspectRatiosComparable(a.Height, a.Width, b.Height, b.Width);
}

// Whether two entries are one file reached twice (a hard link, a bind mount, a folder listed
// under two paths): same device and inode. Entries without a recorded inode are never the same.
inline bool IsSameFile(const TPicInfo &a, const TPicInfo &b)
{
    return a.Inode != 0 && a.Inode == b.Inode && a.Device == b.Device;
}

// Whether the search compares an earlier picture with the current one at all: the earlier one
// is signed, their aspect ratios are comparable and they are not one file. `height` and `width`
// are the current picture's, which its entry may not hold yet.
inline bool ComparedBySearch(const TPicInfo &earlier, const TPicInfo &current, int32_t height, int32_t width)
{
    return earlier.CCVStage == TCCVStage::Full && AspectRatiosComparable(earlier.Height, earlier.Width, height, width)
        && !IsSameFile(earlier, current);
}

// The similarity score S (0 to 100) of two wavelet signatures: the share of the earlier
// picture's signed positions at which the current picture's truncated matrix has the same sign.
double WaveletScore(const TPicInfo &earlier, const TSignMatrix &currentMatrix);

// The score S of `matches` shared signed positions.
double ScoreOfMatches(int matches);

// The similarity in percent (1 to 100) a pair with score S gets; nothing below the pairing threshold.
// Inline, as the comparison loop asks it for every picture it scores.
inline std::optional<double> SimilarityOfScore(double score)
{
    constexpr long double kPairThreshold = 50;
    constexpr double kMinSimilarity = 1;
    constexpr double kMaxSimilarity = 100;
    if (score < kPairThreshold)
        return std::nullopt;
    const double similarity = double((static_cast<long double>(score) - kPairThreshold) * 2);
    return std::clamp(similarity, kMinSimilarity, kMaxSimilarity);
}

struct TWaveletMatch {
    double Score = 0;
    TOrientation Orientation = TOrientation::Unturned;
};

// The earlier picture's score in the orientation of the current picture that matches it best;
// the picture as it is wins a tie. Without a transposed matrix, only the picture as it is.
TWaveletMatch BestWaveletMatch(const TPicInfo &earlier, const TCurrentMatrices &current);

// What the search makes of `earlier` and `current`, whose entry holds its size and lists and
// whose matrices are `matrices`: byte-identical files pair at 100, otherwise (unless
// `onlyIdentical`) pictures pair by how they look. `identity()` compares the two files'
// contents; it is asked only when their fingerprints agree, which makes identity possible.
template <typename IdentityCheck>
TPairVerdict JudgePair(const TPicInfo &earlier, const TPicInfo &current, const TCurrentMatrices &matrices,
    bool onlyIdentical, IdentityCheck &&identity)
{
    constexpr double kIdenticalSimilarity = 100;
    if (!ComparedBySearch(earlier, current, current.Height, current.Width))
        return {};
    // Files that share a header and differ further on are still scored by how they look.
    if (earlier.PreBuffer == current.PreBuffer) {
        const TContentsCompared found = identity();
        if (found == TContentsCompared::Stopped)
            return { {}, true };
        if (found == TContentsCompared::Identical)
            return { TPairing { kIdenticalSimilarity, TOrientation::Unturned } };
    }
    if (onlyIdentical)
        return {};
    const TWaveletMatch match = BestWaveletMatch(earlier, matrices);
    if (const std::optional<double> similarity = SimilarityOfScore(match.Score))
        return { TPairing { *similarity, match.Orientation } };
    return {};
}
