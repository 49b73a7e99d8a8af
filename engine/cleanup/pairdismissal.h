#pragma once

#include "engine/base/catalogue.h"
#include "engine/cleanup/decisionstore.h"

#include <QString>

#include <optional>

// A "not duplicates" decision made on a listed pair, with what taking it back needs.
struct TPairDismissal {
    TPicturePair Pair;
    // Its place in Pairs before it was taken out.
    int32_t Position = 0;
    TContentHash First {};
    TContentHash Second {};
};

// The hash of picture k's whole content: the one the search kept, or else read from its file now.
// Nothing, with the reason in `error`, when the file cannot be read.
std::optional<TContentHash> PictureContent(const TCatalogue &catalogue, int32_t k, QString *error);

// Records in `decisions` that the two pictures of the pair at `position` of Pairs are not
// duplicates, takes the pair out of the list and has the catalogue's rules honour the decision.
// Nothing, with the reason in `error`, when a file cannot be read or the decision cannot be
// recorded; the list is then as it was.
std::optional<TPairDismissal> DismissListedPair(
    TCatalogue &catalogue, int32_t position, TDecisionStore &decisions, QString *error);

// Undo of DismissListedPair: forgets the decision and puts the pair back at its place, unless one
// of its pictures has been taken out of the results meanwhile. Returns
// false, with the reason in `error`, when the decision cannot be forgotten; the list is then as it was.
bool UndoPairDismissal(
    TCatalogue &catalogue, const TPairDismissal &dismissal, TDecisionStore &decisions, QString *error);
