#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

enum {
    kSignatureSize = 250,
    kPreBufferSize = 256,
    kWorkBitmapSize = 128,
    kInitialCapacity = 30000,
    kCapacityStep = 1000,
};

// How far a picture's signature has been computed; only Full pictures are compared.
enum class TCCVStage : uint8_t { None = 0, OnlyTotal = 1, Full = 2 };

// A coefficient position: X is the row, Y the column, both 0..127. (0, 0) marks an empty entry.
struct TWaveletPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TWaveletPoint &, const TWaveletPoint &) = default;
};

// 250 positions held inline in every catalogue entry. Each is stored as row * 128 + column in
// 16 bits, a quarter of two 32-bit integers, which keeps a million-picture catalogue in memory.
class TWaveletCoefs
{
public:
    TWaveletPoint operator[](int index) const
    {
        return { m_packed[index] / kWorkBitmapSize, m_packed[index] % kWorkBitmapSize };
    }
    void Set(int index, TWaveletPoint point) { m_packed[index] = uint16_t(point.X * kWorkBitmapSize + point.Y); }
    void Clear() { m_packed.fill(0); }
    // Position index (row * 128 + column) of entry `index`; 0 for an empty entry.
    uint16_t PackedAt(int index) const { return m_packed[index]; }
    // Entries before the first empty one: the kept positions, which a list holds first.
    int KeptCount() const
    {
        int count = 0;
        while (count < kSignatureSize && m_packed[count] != 0)
            ++count;
        return count;
    }
    friend bool operator==(const TWaveletCoefs &, const TWaveletCoefs &) = default;

private:
    std::array<uint16_t, kSignatureSize> m_packed {};
};

// A picture's two lists in one orientation.
struct TOrientedCoefs {
    TWaveletCoefs Positive;
    TWaveletCoefs Negative;
};

// The first 256 bytes of a file, zero-padded.
using TPreBuffer = std::array<uint8_t, kPreBufferSize>;

// One collected picture file. FileName holds the name's bytes exactly as the file system gave
// them, so that names that are not valid UTF-8 still reach the same file later.
struct TPicInfo {
    int32_t Time = 0;
    int64_t Size = 0;
    // Which file this is and its modification time in nanoseconds, as read at collection: two
    // entries on the same device and inode are one file reached twice, and a file whose size or
    // time differ later has changed since the search.
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t MTimeNs = 0;
    int32_t Attr = 0;
    QByteArray FileName;
    int32_t PathInd = 0;
    bool Deleted = false;
    TCCVStage CCVStage = TCCVStage::None;
    TWaveletCoefs WaveletCoefsPos;
    TWaveletCoefs WaveletCoefsNeg;
    int32_t Height = 0;
    int32_t Width = 0;
    TPreBuffer PreBuffer {};
};

// How a duplicate lies against its original: as it is, mirrored, turned (clockwise) or turned
// and mirrored. Found only by searches that look for turned copies.
enum class TOrientation : uint8_t {
    Unturned,
    MirroredLeftRight,
    MirroredTopBottom,
    Rotated180,
    Transposed,
    Rotated270,
    Rotated90,
    Antitransposed,
};

struct TPicturePair {
    int32_t PicIndex1 = 0;
    int32_t PicIndex2 = 0;
    double Similarity = 0;
    TOrientation Orientation = TOrientation::Unturned;
};

class TDismissedPairs;

using TPicList = std::vector<TPicInfo>;
using TPicturePairs = std::vector<TPicturePair>;
using TStringArr = std::vector<QByteArray>;

// The whole in-memory model of one search: the pictures, their folders (each ending with "/"),
// the pairs found, and the flag that ties a running search to the rest of the program.
// Each vector holds just the entries 0..Last in use; the Capacity fields are the room the growth
// rule counts with, and after trimming they equal the counts.
struct TCatalogue {
    TPicList Pictures;
    int32_t PicturesLast = -1;
    int32_t PicturesCapacity = 0;
    TStringArr Paths;
    int32_t PathsLast = -1;
    int32_t PathsCapacity = 0;
    TPicturePairs Pairs;
    int32_t PairsLast = -1;
    int32_t PairsCapacity = 0;
    bool SearchStopped = true;
    uint32_t StartTicks = 0;
    int32_t DiskUsage = 0;
    // Trash folder name below a mount point, with a trailing "/".
    QByteArray RecycleFolderName;
    // In searches for turned copies, the transposed lists of each picture that paired with an
    // earlier one, by picture: the search turned it to compare, so a pair within its group can
    // be judged again as the search would (only the later picture of two is ever turned).
    std::unordered_map<int32_t, TOrientedCoefs> TransposedLists;
    // The SHA-256 of the whole content of each paired picture whose signer hashed it (a search
    // with the store), so that judging a pair again needs no read of either file.
    std::unordered_map<int32_t, std::array<uint8_t, 32>> ContentHashes;
    // Per picture, whether it lies in a reference folder; empty when no folder is one. Such pictures
    // are compared with all others, but never paired with each other, marked or acted on.
    std::vector<bool> ReferencePictures;
    // The "not duplicates" decisions the search honoured: it paired no two contents dismissed
    // together. Null when it honoured none.
    std::shared_ptr<const TDismissedPairs> Dismissed;
};

// Empties the catalogue for a new search and gives Pictures and Paths a capacity of 30000 entries.
void ResetCatalogue(TCatalogue &catalogue);

// Appends a folder (a full path ending with "/") to Paths.
void AppendPath(TCatalogue &catalogue, const QByteArray &folder);

// Appends a picture filled from its directory entry; PathInd is set to the current folder.
void AppendPicture(TCatalogue &catalogue, TPicInfo picture);

// Appends a zero-filled picture whose PathInd is the current folder and returns it, to be filled
// from its directory entry in place (a record is over a kilobyte, which copies would cost).
TPicInfo &AppendPicture(TCatalogue &catalogue);

// Ends collection: PicturesCapacity and PathsCapacity become the counts.
void TrimAfterCollection(TCatalogue &catalogue);

// Empties Pairs before processing and gives it a capacity of 30000 entries.
void AllocatePairs(TCatalogue &catalogue);

// Appends a pair; PairsLast is raised before the fields are written.
void AppendPair(TCatalogue &catalogue, int32_t picIndex1, int32_t picIndex2, double similarity,
    TOrientation orientation = TOrientation::Unturned);

// Cuts Pairs to PairsLast + 1 entries and sets PairsCapacity to that count.
void TrimPairs(TCatalogue &catalogue);

// Marks picture k deleted and removes every pair that names it, keeping the order of the rest.
void RemovePicture(TCatalogue &catalogue, int32_t k);

// RemovePicture for many pictures at once (`removed` has one flag per picture), in one pass over
// the pairs. Returns the pairs it took out, in their order.
TPicturePairs RemovePictures(TCatalogue &catalogue, const std::vector<bool> &removed);

// Brings pictures back into the results after their files were restored: clears their Deleted
// flags and appends every pair of `removedPairs` whose two pictures are both in the results again.
void RestorePictures(TCatalogue &catalogue, const std::vector<int32_t> &pictures, const TPicturePairs &removedPairs);

// Empties Pairs, Pictures and Paths when the window closes and sets SearchStopped.
void ClearCatalogue(TCatalogue &catalogue);

// Whether picture k lies in a reference folder.
bool IsReferencePicture(const TCatalogue &catalogue, int32_t k);

// The full path of picture k: its folder followed by its name.
QByteArray FullPath(const TCatalogue &catalogue, int32_t k);

// Appends FullPath(catalogue, k) to `text`, without a copy of its own.
void AppendFullPath(const TCatalogue &catalogue, int32_t k, QByteArray &text);
