#pragma once

#include "engine/base/catalogue.h"

#include <optional>
#include <vector>

// The pairs a list shows, as indexes into Pairs in list order: every pair, or with `minSimilarity`
// only those at least that many percent similar. A view only: it changes no pairing, group or rule.
std::vector<int32_t> ShownPairs(const TCatalogue &catalogue, std::optional<double> minSimilarity = std::nullopt);

// Whether a list filtered at `minSimilarity` shows `pair`.
inline bool IsShownPair(const TPicturePair &pair, std::optional<double> minSimilarity)
{
    return !minSimilarity || pair.Similarity >= *minSimilarity;
}
