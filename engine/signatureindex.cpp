#include "signatureindex.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace
{

constexpr int kSignedPositions = 2 * kWorkBitmapSize * kWorkBitmapSize;
// Two pictures can share all 500 signed positions (250 of each sign), so counts need nine bits.
constexpr int kCounterBits = 9;
constexpr int kVectorWords = 4;
constexpr int kBlockWords = 16;
constexpr int kBlockPictures = kBlockWords * 64;
// A position kept by more than one picture in this many is cheaper to count as a bitset.
constexpr std::size_t kDenseShare = 256;
constexpr std::size_t kMinDenseAfter = 16;

// Four machine words handled as one value; compiled to one AVX2 register where available.
typedef uint64_t Vec __attribute__((vector_size(kVectorWords * sizeof(uint64_t)), aligned(sizeof(uint64_t))));

int signedPosition(uint16_t packed, bool negative) { return packed * 2 + (negative ? 1 : 0); }

// Carry-save adder: l := a + b + c modulo 2, h := the carry.
inline __attribute__((always_inline)) void csa(Vec &h, Vec &l, const Vec &a, const Vec &b, const Vec &c)
{
    const Vec u = a ^ b;
    h = (a & b) | (u & c);
    l = u ^ c;
}

inline __attribute__((always_inline)) void rippleAdd(Vec *planes, int from, const Vec &input)
{
    Vec carry = input;
    for (int p = from; p < kCounterBits; ++p) {
        const Vec next = planes[p] & carry;
        planes[p] ^= carry;
        carry = next;
    }
}

inline __attribute__((always_inline)) void load(Vec &value, const uint64_t *words)
{
    std::memcpy(&value, words, sizeof value);
}

// Adds up, for 256 pictures at once, how many of the `count` bitsets have each picture's bit
// set, into the counter bit planes (Harley-Seal: sixteen inputs cost fifteen carry-save adds).
__attribute__((target_clones("avx2", "default"))) void countDenseVector(
    const uint64_t *const *bitsets, std::size_t count, std::size_t word, Vec *planes)
{
    Vec ones {}, twos {}, fours {}, eights {};
    Vec high[kCounterBits] {};
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        Vec in[16];
        for (int k = 0; k < 16; ++k)
            load(in[k], bitsets[i + k] + word);
        Vec twosA, twosB, foursA, foursB, eightsA, eightsB, sixteens;
        csa(twosA, ones, ones, in[0], in[1]);
        csa(twosB, ones, ones, in[2], in[3]);
        csa(foursA, twos, twos, twosA, twosB);
        csa(twosA, ones, ones, in[4], in[5]);
        csa(twosB, ones, ones, in[6], in[7]);
        csa(foursB, twos, twos, twosA, twosB);
        csa(eightsA, fours, fours, foursA, foursB);
        csa(twosA, ones, ones, in[8], in[9]);
        csa(twosB, ones, ones, in[10], in[11]);
        csa(foursA, twos, twos, twosA, twosB);
        csa(twosA, ones, ones, in[12], in[13]);
        csa(twosB, ones, ones, in[14], in[15]);
        csa(foursB, twos, twos, twosA, twosB);
        csa(eightsB, fours, fours, foursA, foursB);
        csa(sixteens, eights, eights, eightsA, eightsB);
        rippleAdd(high, 4, sixteens);
    }
    high[0] = ones;
    high[1] = twos;
    high[2] = fours;
    high[3] = eights;
    for (; i < count; ++i) {
        Vec input;
        load(input, bitsets[i] + word);
        rippleAdd(high, 0, input);
    }
    for (int p = 0; p < kCounterBits; ++p)
        planes[p] = high[p];
}

// Bits of the words whose plane count is at least `threshold`, compared bit-serially
// from the most significant plane down.
uint64_t atLeast(const uint64_t planes[kCounterBits][kBlockWords], int word, int threshold)
{
    uint64_t greater = 0;
    uint64_t equal = ~uint64_t(0);
    for (int p = kCounterBits - 1; p >= 0; --p) {
        const uint64_t bits = planes[p][word];
        if (threshold >> p & 1) {
            equal &= bits;
        } else {
            greater |= equal & bits;
            equal &= ~bits;
        }
    }
    return greater | equal;
}

// What one query reads: the bitsets of its common positions, and the list entries of its rare
// positions sorted by block, so that each block finds its own entries in one contiguous run.
struct TQueryState {
    std::vector<const uint64_t *> Dense;
    std::vector<int32_t> SparseEntries;
    std::vector<uint32_t> BlockStarts; // entries of block b: [BlockStarts[b], BlockStarts[b + 1])
};

void sortSparseByBlock(TQueryState &state, const std::vector<std::span<const int32_t>> &lists, int32_t limit)
{
    const int32_t blocks = (limit + kBlockPictures - 1) / kBlockPictures;
    state.BlockStarts.assign(std::size_t(blocks) + 1, 0);
    for (const std::span<const int32_t> list : lists) {
        for (const int32_t index : list) {
            if (index >= limit)
                break;
            ++state.BlockStarts[std::size_t(index / kBlockPictures) + 1];
        }
    }
    for (int32_t b = 0; b < blocks; ++b)
        state.BlockStarts[b + 1] += state.BlockStarts[b];
    state.SparseEntries.resize(state.BlockStarts[blocks]);
    std::vector<uint32_t> next(state.BlockStarts.begin(), state.BlockStarts.end() - 1);
    for (const std::span<const int32_t> list : lists) {
        for (const int32_t index : list) {
            if (index >= limit)
                break;
            state.SparseEntries[next[index / kBlockPictures]++] = index;
        }
    }
}

// Counts the query's shared positions for the pictures of one block and collects those that
// reach the threshold.
void countBlock(TQueryState &state, TSignatureIndex::TQuery &query, int32_t block, int threshold,
    uint64_t (&planes)[kCounterBits][kBlockWords])
{
    const std::size_t firstWord = std::size_t(block) * kBlockWords;
    for (int v = 0; v < kBlockWords / kVectorWords; ++v) {
        Vec vectorPlanes[kCounterBits];
        countDenseVector(state.Dense.data(), state.Dense.size(), firstWord + v * kVectorWords, vectorPlanes);
        for (int p = 0; p < kCounterBits; ++p)
            std::memcpy(&planes[p][v * kVectorWords], &vectorPlanes[p], sizeof(Vec));
    }

    const int32_t blockStart = block * kBlockPictures;
    for (uint32_t e = state.BlockStarts[block]; e < state.BlockStarts[block + 1]; ++e) {
        const int32_t bit = state.SparseEntries[e] - blockStart;
        uint64_t carry = uint64_t(1) << (bit % 64);
        for (int p = 0; p < kCounterBits && carry; ++p) {
            const uint64_t next = planes[p][bit / 64] & carry;
            planes[p][bit / 64] ^= carry;
            carry = next;
        }
    }

    for (int word = 0; word < kBlockWords; ++word) {
        uint64_t found = atLeast(planes, word, threshold);
        while (found) {
            const int32_t index = blockStart + word * 64 + std::countr_zero(found);
            if (index >= query.Limit)
                break;
            query.Matches.push_back(index);
            found &= found - 1;
        }
    }
}

}

TSignatureIndex::TSignatureIndex(int32_t pictureCount)
    : m_pictureCount(pictureCount)
    , m_wordCount((std::size_t(std::max(pictureCount, 1)) + kBlockPictures - 1) / kBlockPictures * kBlockWords)
    , m_denseAfter(std::max(kMinDenseAfter, std::size_t(pictureCount) / kDenseShare))
    , m_postings(kSignedPositions)
    , m_bitsets(kSignedPositions)
{
}

void TSignatureIndex::Add(int32_t index, const TWaveletCoefs &positive, const TWaveletCoefs &negative)
{
    const auto add = [&](uint16_t packed, bool isNegative) {
        if (packed == 0)
            return;
        const int position = signedPosition(packed, isNegative);
        std::vector<uint64_t> &bitset = m_bitsets[position];
        if (!bitset.empty()) {
            bitset[std::size_t(index) / 64] |= uint64_t(1) << (index % 64);
            return;
        }
        m_postings[position].push_back(index);
        if (m_postings[position].size() >= m_denseAfter)
            promoteToBitset(position);
    };
    for (int j = 0; j < kSignatureSize; ++j) {
        add(positive.PackedAt(j), false);
        add(negative.PackedAt(j), true);
    }
}

void TSignatureIndex::promoteToBitset(int signedPosition)
{
    std::vector<uint64_t> &bitset = m_bitsets[signedPosition];
    bitset.assign(m_wordCount, 0);
    for (const int32_t index : m_postings[signedPosition])
        bitset[std::size_t(index) / 64] |= uint64_t(1) << (index % 64);
    std::vector<int32_t>().swap(m_postings[signedPosition]);
}

void TSignatureIndex::FindShared(std::span<TQuery> queries, int threshold) const
{
    std::vector<TQueryState> states(queries.size());
    std::vector<std::span<const int32_t>> sparseLists;
    int32_t maxLimit = 0;
    for (std::size_t q = 0; q < queries.size(); ++q) {
        TQuery &query = queries[q];
        query.Matches.clear();
        query.Limit = std::min(query.Limit, m_pictureCount);
        maxLimit = std::max(maxLimit, query.Limit);
        sparseLists.clear();
        const auto collect = [&](uint16_t packed, bool isNegative) {
            if (packed == 0)
                return;
            const int position = signedPosition(packed, isNegative);
            if (!m_bitsets[position].empty())
                states[q].Dense.push_back(m_bitsets[position].data());
            else if (!m_postings[position].empty())
                sparseLists.push_back(m_postings[position]);
        };
        for (int j = 0; j < kSignatureSize; ++j) {
            collect(query.Positive->PackedAt(j), false);
            collect(query.Negative->PackedAt(j), true);
        }
        sortSparseByBlock(states[q], sparseLists, query.Limit);
    }

    // Blocks outermost, so that one block's bitsets serve the whole batch from the cache.
    alignas(64) uint64_t planes[kCounterBits][kBlockWords];
    for (int32_t block = 0; block * kBlockPictures < maxLimit; ++block) {
        for (std::size_t q = 0; q < queries.size(); ++q) {
            if (block * kBlockPictures < queries[q].Limit)
                countBlock(states[q], queries[q], block, threshold, planes);
        }
    }
    for (TQuery &query : queries)
        std::reverse(query.Matches.begin(), query.Matches.end());
}

std::size_t TSignatureIndex::MemoryUsage() const
{
    std::size_t bytes = 0;
    for (const auto &postings : m_postings)
        bytes += postings.capacity() * sizeof(int32_t);
    for (const auto &bitset : m_bitsets)
        bytes += bitset.capacity() * sizeof(uint64_t);
    return bytes + (m_postings.size() + m_bitsets.size()) * sizeof(std::vector<int32_t>);
}
