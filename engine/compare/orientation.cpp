#include "engine/compare/orientation.h"

#include <bit>
#include <cstdint>

namespace
{

constexpr int kPositions = kWorkBitmapSize * kWorkBitmapSize;
// Orientations from the transposed family on; below it, bit 0 mirrors the columns and bit 1 the rows.
constexpr int kTransposedFamily = 4;
constexpr int kMirrorColumns = 1;
constexpr int kMirrorRows = 2;
constexpr uint16_t kNegated = 0x8000;

// Where entry `index` of a one-dimensional Haar decomposition lands when its input is reversed:
// the average stays, a detail of a level moves to the mirrored place within that level.
int mirroredIndex(int index)
{
    if (index == 0)
        return 0;
    const int level = int(std::bit_floor(unsigned(index)));
    return 3 * level - 1 - index;
}

// For each of the four mirrorings, where each position moves and, in kNegated, whether its
// coefficient changes sign. A mirroring is its own inverse.
using TMirrorMap = std::array<uint16_t, kPositions>;

const std::array<TMirrorMap, 4> &mirrorMaps()
{
    static const std::array<TMirrorMap, 4> maps = [] {
        std::array<TMirrorMap, 4> built {};
        for (int mirror = 0; mirror < 4; ++mirror) {
            for (int row = 0; row < kWorkBitmapSize; ++row) {
                for (int column = 0; column < kWorkBitmapSize; ++column) {
                    const bool columns = mirror & kMirrorColumns;
                    const bool rows = mirror & kMirrorRows;
                    const int targetRow = rows ? mirroredIndex(row) : row;
                    const int targetColumn = columns ? mirroredIndex(column) : column;
                    const bool negated = (rows && row != 0) != (columns && column != 0);
                    built[mirror][row * kWorkBitmapSize + column]
                        = uint16_t(targetRow * kWorkBitmapSize + targetColumn) | (negated ? kNegated : 0);
                }
            }
        }
        return built;
    }();
    return maps;
}

// The keys of the turned positions, position * 2 + (1 when negative), one bit each: reading the
// bits in order gives the positions in row, then column order without sorting them.
using TKeyBits = std::array<uint64_t, 2 * kPositions / 64>;

void markMirrored(TKeyBits &keys, const TWaveletCoefs &coefs, bool negative, const TMirrorMap &map)
{
    for (int j = 0; j < kSignatureSize && coefs.PackedAt(j) != 0; ++j) {
        const uint16_t target = map[coefs.PackedAt(j)];
        const bool negated = (target & kNegated) != 0;
        const int key = (target & ~kNegated) * 2 + (negated != negative ? 1 : 0);
        keys[std::size_t(key / 64)] |= uint64_t(1) << (key % 64);
    }
}

TOrientedCoefs mirrored(const TOrientedCoefs &coefs, int mirror)
{
    const TMirrorMap &map = mirrorMaps()[mirror];
    TKeyBits keys {};
    markMirrored(keys, coefs.Positive, false, map);
    markMirrored(keys, coefs.Negative, true, map);
    TOrientedCoefs result;
    int positiveCount = 0;
    int negativeCount = 0;
    for (std::size_t word = 0; word < keys.size(); ++word) {
        for (uint64_t bits = keys[word]; bits; bits &= bits - 1) {
            const int key = int(word * 64) + std::countr_zero(bits);
            const int packed = key / 2;
            const TWaveletPoint point { packed / kWorkBitmapSize, packed % kWorkBitmapSize };
            if (key & 1)
                result.Negative.Set(negativeCount++, point);
            else
                result.Positive.Set(positiveCount++, point);
        }
    }
    return result;
}
}

const char *OrientationName(TOrientation orientation)
{
    switch (orientation) {
    case TOrientation::Unturned:
        return "unturned";
    case TOrientation::MirroredLeftRight:
        return "mirrored-left-right";
    case TOrientation::MirroredTopBottom:
        return "mirrored-top-bottom";
    case TOrientation::Rotated180:
        return "rotated-180";
    case TOrientation::Transposed:
        return "transposed";
    case TOrientation::Rotated270:
        return "rotated-270";
    case TOrientation::Rotated90:
        return "rotated-90";
    case TOrientation::Antitransposed:
        return "antitransposed";
    }
    return "unturned";
}

TTurnedCoefs TurnWaveletCoefs(const TOrientedCoefs &unturned, const TOrientedCoefs &transposed)
{
    TTurnedCoefs turned;
    for (int orientation = 1; orientation < kOrientationCount; ++orientation) {
        const int mirror = orientation % kTransposedFamily;
        const TOrientedCoefs &family = orientation < kTransposedFamily ? unturned : transposed;
        turned[std::size_t(orientation - 1)] = mirror == 0 ? family : mirrored(family, mirror);
    }
    return turned;
}

int TurnedMatches(const TWaveletCoefs &positive, const TWaveletCoefs &negative, const TSignMatrix &unturned,
    const TSignMatrix &transposed, TOrientation orientation)
{
    const TSignMatrix &family = int(orientation) < kTransposedFamily ? unturned : transposed;
    const TMirrorMap &map = mirrorMaps()[int(orientation) % kTransposedFamily];
    // The turned picture's coefficient at p is the family's at the mirrored place, negated there.
    const auto turnedAt = [&](uint16_t packed) {
        const uint16_t target = map[packed];
        const int place = target & ~kNegated;
        const int value = family[std::size_t(place)];
        return (target & kNegated) ? -value : value;
    };
    int matches = 0;
    for (int j = 0; j < kSignatureSize; ++j) {
        if (positive.PackedAt(j) != 0 && turnedAt(positive.PackedAt(j)) > 0)
            ++matches;
        if (negative.PackedAt(j) != 0 && turnedAt(negative.PackedAt(j)) < 0)
            ++matches;
    }
    return matches;
}
