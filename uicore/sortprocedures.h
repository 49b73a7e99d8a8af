#pragma once

#include "engine/base/catalogue.h"

#include <cstdint>

// Comparison of two pairs: negative, zero or positive for first before, equal to, or after the
// second in ascending order; the negated value when `descending` is true.
using TPairCompare = int (*)(const TPicturePair &a, const TPicturePair &b, bool descending);
using TNamedPairCompare = int (*)(
    const TPicList &pictures, const TStringArr &paths, const TPicturePair &a, const TPicturePair &b, bool descending);

// Sort the closed range [L, R] of `pairs` in place. Pairs that compare equal keep their order.
void SortPairs(TPicturePairs &pairs, int32_t L, int32_t R, TPairCompare compare, bool descending);
void SortPairsWithNames(const TPicList &pictures, TPicturePairs &pairs, const TStringArr &paths, int32_t L, int32_t R,
    TNamedPairCompare compare, bool descending);

// Full paths of the first (CompareName1) or second (CompareName2) pictures, compared one UTF-16
// code unit at a time with only ASCII letters folded to upper case; a prefix sorts first.
int CompareName1(
    const TPicList &pictures, const TStringArr &paths, const TPicturePair &a, const TPicturePair &b, bool descending);
int CompareName2(
    const TPicList &pictures, const TStringArr &paths, const TPicturePair &a, const TPicturePair &b, bool descending);
int CompareSimilarity(const TPicturePair &a, const TPicturePair &b, bool descending);

enum { kColumnOriginal = 0, kColumnDuplicate = 1, kColumnSimilarity = 2 };

// A click on result-list column `column`, given the column and direction of the last sort: the
// same column alternates the direction, another one starts ascending. Returns false, changing
// nothing, when there are no pairs.
bool SortByColumn(TCatalogue &catalogue, int32_t column, int32_t &sortColumn, bool &sortDescending);
