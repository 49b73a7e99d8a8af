#include "engine/results/shownpairs.h"

std::vector<int32_t> ShownPairs(const TCatalogue &catalogue, std::optional<double> minSimilarity)
{
    std::vector<int32_t> shown;
    shown.reserve(std::size_t(catalogue.PairsLast + 1));
    for (int32_t i = 0; i <= catalogue.PairsLast; ++i)
        if (IsShownPair(catalogue.Pairs[std::size_t(i)], minSimilarity))
            shown.push_back(i);
    return shown;
}
