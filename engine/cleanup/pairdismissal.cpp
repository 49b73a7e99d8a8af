#include "engine/cleanup/pairdismissal.h"

#include "engine/cleanup/dismissedpairs.h"

#include <algorithm>

namespace
{

// The catalogue's decisions with one added or removed; the search's set is shared, so it is copied.
void changeHonoured(TCatalogue &catalogue, const TPairDismissal &dismissal, bool add)
{
    auto changed = catalogue.Dismissed ? std::make_shared<TDismissedPairs>(*catalogue.Dismissed)
                                       : std::make_shared<TDismissedPairs>();
    if (add)
        changed->Add(dismissal.First, dismissal.Second);
    else
        changed->Remove(dismissal.First, dismissal.Second);
    catalogue.Dismissed = changed->IsEmpty() ? nullptr : std::move(changed);
}

}

std::optional<TContentHash> PictureContent(const TCatalogue &catalogue, int32_t k, QString *error)
{
    const auto known = catalogue.ContentHashes.find(k);
    if (known != catalogue.ContentHashes.end())
        return known->second;
    return HashOfFile(FullPath(catalogue, k), error);
}

std::optional<TPairDismissal> DismissListedPair(
    TCatalogue &catalogue, int32_t position, TDecisionStore &decisions, QString *error)
{
    if (position < 0 || position > catalogue.PairsLast)
        return std::nullopt;
    TPairDismissal dismissal;
    dismissal.Pair = catalogue.Pairs[std::size_t(position)];
    dismissal.Position = position;
    const std::optional<TContentHash> first = PictureContent(catalogue, dismissal.Pair.PicIndex1, error);
    const std::optional<TContentHash> second
        = first ? PictureContent(catalogue, dismissal.Pair.PicIndex2, error) : std::nullopt;
    if (!first || !second || !decisions.Record(*first, *second, error))
        return std::nullopt;
    dismissal.First = *first;
    dismissal.Second = *second;
    catalogue.ContentHashes[dismissal.Pair.PicIndex1] = *first;
    catalogue.ContentHashes[dismissal.Pair.PicIndex2] = *second;
    catalogue.Pairs.erase(catalogue.Pairs.begin() + position);
    --catalogue.PairsLast;
    catalogue.PairsCapacity = catalogue.PairsLast + 1;
    changeHonoured(catalogue, dismissal, true);
    return dismissal;
}

bool UndoPairDismissal(
    TCatalogue &catalogue, const TPairDismissal &dismissal, TDecisionStore &decisions, QString *error)
{
    if (!decisions.Forget(dismissal.First, dismissal.Second, error))
        return false;
    changeHonoured(catalogue, dismissal, false);
    // A picture taken out of the results since then stays out, and its pairs with it.
    if (catalogue.Pictures[std::size_t(dismissal.Pair.PicIndex1)].Deleted
        || catalogue.Pictures[std::size_t(dismissal.Pair.PicIndex2)].Deleted)
        return true;
    const int32_t position = std::clamp(dismissal.Position, 0, catalogue.PairsLast + 1);
    catalogue.Pairs.resize(std::size_t(catalogue.PairsLast + 1));
    catalogue.Pairs.insert(catalogue.Pairs.begin() + position, dismissal.Pair);
    ++catalogue.PairsLast;
    catalogue.PairsCapacity = catalogue.PairsLast + 1;
    return true;
}
