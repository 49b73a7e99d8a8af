#include "uicore/sortprocedures.h"

#include <QFile>
#include <QString>

#include <algorithm>

namespace
{

char16_t FoldAsciiCase(char16_t unit) { return (unit >= u'a' && unit <= u'z') ? char16_t(unit - (u'a' - u'A')) : unit; }

int CompareFoldedNames(const QString &first, const QString &second)
{
    const qsizetype common = std::min(first.size(), second.size());
    for (qsizetype i = 0; i < common; ++i) {
        const int a = FoldAsciiCase(first[i].unicode());
        const int b = FoldAsciiCase(second[i].unicode());
        if (a != b)
            return a - b;
    }
    return first.size() < second.size() ? -1 : (first.size() > second.size() ? 1 : 0);
}

QString DisplayPath(const TPicList &pictures, const TStringArr &paths, int32_t index)
{
    const TPicInfo &picture = pictures[index];
    return QFile::decodeName(paths[picture.PathInd] + picture.FileName);
}

int Directed(int result, bool descending) { return descending ? -result : result; }

} // namespace

int CompareName1(
    const TPicList &pictures, const TStringArr &paths, const TPicturePair &a, const TPicturePair &b, bool descending)
{
    return Directed(
        CompareFoldedNames(DisplayPath(pictures, paths, a.PicIndex1), DisplayPath(pictures, paths, b.PicIndex1)),
        descending);
}

int CompareName2(
    const TPicList &pictures, const TStringArr &paths, const TPicturePair &a, const TPicturePair &b, bool descending)
{
    return Directed(
        CompareFoldedNames(DisplayPath(pictures, paths, a.PicIndex2), DisplayPath(pictures, paths, b.PicIndex2)),
        descending);
}

int CompareSimilarity(const TPicturePair &a, const TPicturePair &b, bool descending)
{
    const int result = a.Similarity == b.Similarity ? 0 : (a.Similarity > b.Similarity ? 1 : -1);
    return Directed(result, descending);
}

void SortPairs(TPicturePairs &pairs, int32_t L, int32_t R, TPairCompare compare, bool descending)
{
    if (R <= L)
        return;
    std::stable_sort(pairs.begin() + L, pairs.begin() + R + 1,
        [&](const TPicturePair &a, const TPicturePair &b) { return compare(a, b, descending) < 0; });
}

void SortPairsWithNames(const TPicList &pictures, TPicturePairs &pairs, const TStringArr &paths, int32_t L, int32_t R,
    TNamedPairCompare compare, bool descending)
{
    if (R <= L)
        return;
    std::stable_sort(pairs.begin() + L, pairs.begin() + R + 1,
        [&](const TPicturePair &a, const TPicturePair &b) { return compare(pictures, paths, a, b, descending) < 0; });
}

bool SortByColumn(TCatalogue &catalogue, int32_t column, int32_t &sortColumn, bool &sortDescending)
{
    if (catalogue.PairsCapacity <= 0)
        return false;
    sortDescending = column == sortColumn ? !sortDescending : false;
    switch (column) {
    case kColumnOriginal:
        SortPairsWithNames(
            catalogue.Pictures, catalogue.Pairs, catalogue.Paths, 0, catalogue.PairsLast, CompareName1, sortDescending);
        break;
    case kColumnDuplicate:
        SortPairsWithNames(
            catalogue.Pictures, catalogue.Pairs, catalogue.Paths, 0, catalogue.PairsLast, CompareName2, sortDescending);
        break;
    default:
        SortPairs(catalogue.Pairs, 0, catalogue.PairsLast, CompareSimilarity, sortDescending);
        break;
    }
    sortColumn = column;
    return true;
}
