#include "engine/catalogue.h"

#include <algorithm>
#include <new>

namespace
{

// Address space reserved ahead for Pictures and Paths. Pages never written cost nothing, while
// every reallocation would copy all records so far (a picture record is over a kilobyte).
constexpr std::size_t kReservedEntries = 1 << 18;

template <typename T> void allocateArray(std::vector<T> &array, int32_t &capacity)
{
    try {
        array.assign(kInitialCapacity, T {});
        capacity = kInitialCapacity;
    } catch (const std::bad_alloc &) {
        array.assign(kFallbackCapacity, T {});
        capacity = kFallbackCapacity;
    }
}

// Capacity grows by one step exactly when the last index reaches capacity - 1000 on a multiple of
// 1000, so an array never runs full while entries are appended one at a time.
bool growCapacity(int32_t last, int32_t &capacity)
{
    if (last < capacity - kCapacityStep || last % kCapacityStep != 0)
        return false;
    capacity += kCapacityStep;
    return true;
}

template <typename T> void growIfNeeded(std::vector<T> &array, int32_t last, int32_t &capacity)
{
    if (growCapacity(last, capacity)) {
        if (std::size_t(capacity) > array.capacity())
            array.reserve(std::max(std::size_t(capacity), 2 * array.capacity()));
        array.resize(capacity);
    }
}

}

void ResetCatalogue(TCatalogue &catalogue)
{
    catalogue.PicturesLast = -1;
    catalogue.PathsLast = -1;
    catalogue.PairsLast = -1;
    catalogue.PairsCapacity = 0;
    catalogue.DiskUsage = 0;
    catalogue.Pictures.clear();
    catalogue.Pictures.shrink_to_fit();
    catalogue.Pairs.clear();
    catalogue.Pairs.shrink_to_fit();
    catalogue.Paths.clear();
    catalogue.Paths.shrink_to_fit();
    try {
        catalogue.Pictures.reserve(kReservedEntries);
        catalogue.Paths.reserve(kReservedEntries);
    } catch (const std::bad_alloc &) {
        // Only the room ahead is lost; the arrays then grow as they fill.
    }
    // Picture records are only counted here: writing 30000 empty records of over a kilobyte each
    // cost a warm search more than everything else it does.
    try {
        catalogue.Paths.assign(kInitialCapacity, QByteArray {});
        catalogue.PicturesCapacity = kInitialCapacity;
        catalogue.PathsCapacity = kInitialCapacity;
    } catch (const std::bad_alloc &) {
        catalogue.Paths.assign(kFallbackCapacity, QByteArray {});
        catalogue.PicturesCapacity = kFallbackCapacity;
        catalogue.PathsCapacity = kFallbackCapacity;
    }
}

void AppendPath(TCatalogue &catalogue, const QByteArray &folder)
{
    ++catalogue.PathsLast;
    catalogue.Paths[catalogue.PathsLast] = folder;
    growIfNeeded(catalogue.Paths, catalogue.PathsLast, catalogue.PathsCapacity);
}

void AppendPicture(TCatalogue &catalogue, TPicInfo picture)
{
    ++catalogue.PicturesLast;
    picture.PathInd = catalogue.PathsLast;
    picture.Deleted = false;
    picture.CCVStage = TCCVStage::None;
    catalogue.Pictures.push_back(std::move(picture));
    growCapacity(catalogue.PicturesLast, catalogue.PicturesCapacity);
}

void TrimAfterCollection(TCatalogue &catalogue)
{
    catalogue.PathsCapacity = catalogue.PathsLast + 1;
    catalogue.PicturesCapacity = catalogue.PicturesLast + 1;
    // No shrink_to_fit: it would copy every record, and the unused room was never touched.
    catalogue.Paths.resize(catalogue.PathsCapacity);
    catalogue.Pictures.resize(catalogue.PicturesCapacity);
}

void AllocatePairs(TCatalogue &catalogue) { allocateArray(catalogue.Pairs, catalogue.PairsCapacity); }

void AppendPair(
    TCatalogue &catalogue, int32_t picIndex1, int32_t picIndex2, double similarity, TOrientation orientation)
{
    ++catalogue.PairsLast;
    TPicturePair &pair = catalogue.Pairs[catalogue.PairsLast];
    pair.PicIndex1 = picIndex1;
    pair.PicIndex2 = picIndex2;
    pair.Similarity = similarity;
    pair.Orientation = orientation;
    growIfNeeded(catalogue.Pairs, catalogue.PairsLast, catalogue.PairsCapacity);
}

void TrimPairs(TCatalogue &catalogue)
{
    catalogue.PairsCapacity = catalogue.PairsLast + 1;
    catalogue.Pairs.resize(catalogue.PairsCapacity);
    catalogue.Pairs.shrink_to_fit();
}

void RemovePicture(TCatalogue &catalogue, int32_t k)
{
    TPicturePairs kept;
    kept.reserve(catalogue.PairsCapacity);
    for (int32_t i = 0; i < catalogue.PairsCapacity; ++i) {
        const TPicturePair &pair = catalogue.Pairs[i];
        if (pair.PicIndex1 != k && pair.PicIndex2 != k)
            kept.push_back(pair);
    }
    catalogue.PairsLast = int32_t(kept.size()) - 1;
    catalogue.PairsCapacity = int32_t(kept.size());
    catalogue.Pairs = std::move(kept);
    catalogue.Pictures[k].Deleted = true;
}

TPicturePairs RemovePictures(TCatalogue &catalogue, const std::vector<bool> &removed)
{
    const auto isRemoved
        = [&](int32_t picture) { return size_t(picture) < removed.size() && removed[size_t(picture)]; };
    TPicturePairs kept;
    TPicturePairs taken;
    kept.reserve(catalogue.PairsCapacity);
    for (int32_t i = 0; i < catalogue.PairsCapacity; ++i) {
        const TPicturePair &pair = catalogue.Pairs[i];
        (isRemoved(pair.PicIndex1) || isRemoved(pair.PicIndex2) ? taken : kept).push_back(pair);
    }
    catalogue.PairsLast = int32_t(kept.size()) - 1;
    catalogue.PairsCapacity = int32_t(kept.size());
    catalogue.Pairs = std::move(kept);
    for (size_t picture = 0; picture < removed.size() && picture < catalogue.Pictures.size(); ++picture)
        if (removed[picture])
            catalogue.Pictures[picture].Deleted = true;
    return taken;
}

void RestorePictures(TCatalogue &catalogue, const std::vector<int32_t> &pictures, const TPicturePairs &removedPairs)
{
    for (const int32_t picture : pictures)
        catalogue.Pictures[size_t(picture)].Deleted = false;
    catalogue.Pairs.resize(size_t(catalogue.PairsLast + 1));
    for (const TPicturePair &pair : removedPairs) {
        if (catalogue.Pictures[size_t(pair.PicIndex1)].Deleted || catalogue.Pictures[size_t(pair.PicIndex2)].Deleted)
            continue;
        catalogue.Pairs.push_back(pair);
        ++catalogue.PairsLast;
    }
    catalogue.PairsCapacity = catalogue.PairsLast + 1;
}

void ClearCatalogue(TCatalogue &catalogue)
{
    catalogue.SearchStopped = true;
    catalogue.Paths.clear();
    catalogue.Pictures.clear();
    catalogue.PairsLast = -1;
    catalogue.Pairs.clear();
    // A search that is still winding down trims the arrays to these counts; zero keeps them empty.
    catalogue.PathsLast = -1;
    catalogue.PicturesLast = -1;
    catalogue.PathsCapacity = 0;
    catalogue.PicturesCapacity = 0;
    catalogue.PairsCapacity = 0;
}

QByteArray FullPath(const TCatalogue &catalogue, int32_t k)
{
    const TPicInfo &picture = catalogue.Pictures[k];
    return catalogue.Paths[picture.PathInd] + picture.FileName;
}
