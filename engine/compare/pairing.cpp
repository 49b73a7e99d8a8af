#include "engine/compare/pairing.h"

#include "engine/compare/orientation.h"

double WaveletScore(const TPicInfo &earlier, const TSignMatrix &currentMatrix)
{
    // An empty entry (0, 0) never matches: the matrix is rebuilt from the lists, which skip it,
    // so its sign there is 0. Counting without branches keeps unpredictable signs cheap.
    int matches = 0;
    for (int j = 0; j < kSignatureSize; ++j) {
        matches += int(currentMatrix[earlier.WaveletCoefsPos.PackedAt(j)] > 0);
        matches += int(currentMatrix[earlier.WaveletCoefsNeg.PackedAt(j)] < 0);
    }
    return ScoreOfMatches(matches);
}

double ScoreOfMatches(int matches)
{
    return double(static_cast<long double>(matches) * 100 / static_cast<long double>(kSignatureSize));
}

TWaveletMatch BestWaveletMatch(const TPicInfo &earlier, const TCurrentMatrices &current)
{
    if (!current.Transposed)
        return { WaveletScore(earlier, current.Unturned), TOrientation::Unturned };
    int bestMatches = -1;
    TOrientation best = TOrientation::Unturned;
    for (int orientation = 0; orientation < kOrientationCount; ++orientation) {
        const int matches = TurnedMatches(earlier.WaveletCoefsPos, earlier.WaveletCoefsNeg, current.Unturned,
            *current.Transposed, TOrientation(orientation));
        if (matches > bestMatches) {
            bestMatches = matches;
            best = TOrientation(orientation);
        }
    }
    return { ScoreOfMatches(bestMatches), best };
}
