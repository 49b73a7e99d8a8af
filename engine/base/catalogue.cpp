#include "engine/base/catalogue.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace
{

// What a search kept beside its pairs, which belongs to those pairs alone.
void forgetPairingRecords(TCatalogue &catalogue)
{
    catalogue.TransposedLists.clear();
    catalogue.ContentHashes.clear();
    catalogue.ReferencePictures.clear();
    catalogue.Dismissed.reset();
}

// Address space reserved ahead for Pictures and Paths. Pages never written cost nothing, while
// every reallocation would copy all records so far (a picture record is over a kilobyte).
constexpr std::size_t kReservedEntries = 1 << 18;

// Picture records are over a kilobyte and are appended one by one into the room reserved ahead.
// Faulting in the pages of the next records with one call is cheaper than a fault for every page
// as it is first written, which would be a large part of what collecting a folder costs.
constexpr std::size_t kPrefaultedPictures = 256;

void prefaultNextPictures(std::vector<TPicInfo> &pictures)
{
    if (pictures.size() % kPrefaultedPictures != 0 || pictures.capacity() - pictures.size() < kPrefaultedPictures)
        return;
    static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t from = (reinterpret_cast<uintptr_t>(pictures.data() + pictures.size()) + page - 1) & ~(page - 1);
    const uintptr_t to
        = reinterpret_cast<uintptr_t>(pictures.data() + pictures.size() + kPrefaultedPictures) & ~(page - 1);
    // Kernels before 5.14 refuse the advice; the pages then fault in as they are written.
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE);
}

// Capacity grows by one step exactly when the last index reaches capacity - 1000 on a multiple of
// 1000, so an array never runs full while entries are appended one at a time.
void growCapacity(int32_t last, int32_t &capacity)
{
    if (last >= capacity - kCapacityStep && last % kCapacityStep == 0)
        capacity += kCapacityStep;
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
    forgetPairingRecords(catalogue);
    try {
        catalogue.Pictures.reserve(kReservedEntries);
        catalogue.Paths.reserve(kReservedEntries);
    } catch (const std::bad_alloc &) {
        // Only the room ahead is lost; the arrays then grow as they fill.
    }
    // The arrays hold only the entries in use: writing 30000 empty ones ahead cost a search of a
    // small folder more than the search itself.
    catalogue.PicturesCapacity = kInitialCapacity;
    catalogue.PathsCapacity = kInitialCapacity;
}

void AppendPath(TCatalogue &catalogue, const QByteArray &folder)
{
    ++catalogue.PathsLast;
    catalogue.Paths.push_back(folder);
    growCapacity(catalogue.PathsLast, catalogue.PathsCapacity);
}

void AppendPicture(TCatalogue &catalogue, TPicInfo picture)
{
    TPicInfo &entry = AppendPicture(catalogue);
    picture.PathInd = entry.PathInd;
    picture.Deleted = false;
    picture.CCVStage = TCCVStage::None;
    entry = std::move(picture);
}

TPicInfo &AppendPicture(TCatalogue &catalogue)
{
    ++catalogue.PicturesLast;
    prefaultNextPictures(catalogue.Pictures);
    TPicInfo &entry = catalogue.Pictures.emplace_back();
    entry.PathInd = catalogue.PathsLast;
    growCapacity(catalogue.PicturesLast, catalogue.PicturesCapacity);
    return entry;
}

void TrimAfterCollection(TCatalogue &catalogue)
{
    catalogue.PathsCapacity = catalogue.PathsLast + 1;
    catalogue.PicturesCapacity = catalogue.PicturesLast + 1;
    // The vectors already hold just these; no shrink_to_fit, which would copy every record while
    // the room reserved ahead was never touched.
}

void AllocatePairs(TCatalogue &catalogue)
{
    catalogue.Pairs.clear();
    forgetPairingRecords(catalogue);
    catalogue.PairsCapacity = kInitialCapacity;
}

void AppendPair(
    TCatalogue &catalogue, int32_t picIndex1, int32_t picIndex2, double similarity, TOrientation orientation)
{
    ++catalogue.PairsLast;
    catalogue.Pairs.push_back({ picIndex1, picIndex2, similarity, orientation });
    growCapacity(catalogue.PairsLast, catalogue.PairsCapacity);
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
    kept.reserve(catalogue.Pairs.size());
    for (const TPicturePair &pair : catalogue.Pairs) {
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
    kept.reserve(catalogue.Pairs.size());
    for (const TPicturePair &pair : catalogue.Pairs)
        (isRemoved(pair.PicIndex1) || isRemoved(pair.PicIndex2) ? taken : kept).push_back(pair);
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
    forgetPairingRecords(catalogue);
    // A search that is still winding down trims the arrays to these counts; zero keeps them empty.
    catalogue.PathsLast = -1;
    catalogue.PicturesLast = -1;
    catalogue.PathsCapacity = 0;
    catalogue.PicturesCapacity = 0;
    catalogue.PairsCapacity = 0;
}

bool IsReferencePicture(const TCatalogue &catalogue, int32_t k)
{
    return std::size_t(k) < catalogue.ReferencePictures.size() && catalogue.ReferencePictures[std::size_t(k)];
}

QByteArray FullPath(const TCatalogue &catalogue, int32_t k)
{
    QByteArray path;
    AppendFullPath(catalogue, k, path);
    return path;
}

void AppendFullPath(const TCatalogue &catalogue, int32_t k, QByteArray &text)
{
    const TPicInfo &picture = catalogue.Pictures[k];
    text += catalogue.Paths[picture.PathInd];
    text += picture.FileName;
}
