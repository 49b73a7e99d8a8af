#include "engine/compare/signatureindex.h"

#include "engine/base/avx2clones.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace
{

constexpr int kSignedPositions = 2 * kWorkBitmapSize * kWorkBitmapSize;
// Two pictures can share all 500 signed positions (250 of each sign), so counts need nine bits.
constexpr int kCounterBits = 9;
constexpr int kSliceWords = int(TSliceSlab::kSliceWords);
constexpr int32_t kBlockPictures = kSliceWords * 64;
// A position kept by more than one picture in this many is cheaper to count as slices, for one
// query per picture. A list is walked once per query and a slice is shared, so with more queries per
// picture positions become slices sooner.
constexpr std::size_t kDenseShare = 256;
constexpr std::size_t kMinDenseAfter = 16;

// Half a slice: four machine words handled as one value, compiled to one AVX2 register or to plain
// words. Counting half a slice at a time keeps the counters in the sixteen AVX2 registers.
constexpr int kVecWords = 4;
typedef uint64_t Vec __attribute__((vector_size(kVecWords * sizeof(uint64_t))));

typedef uint64_t TPlanes[kCounterBits][kSliceWords];

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

inline __attribute__((always_inline)) void loadHalfSlice(Vec &value, const uint64_t *slab, uint32_t slice, int half)
{
    std::memcpy(&value, slab + std::size_t(slice) * kSliceWords + half * kVecWords, sizeof value);
}

// Whether any count, in binary from `low` (its four lowest bits) and `high` (the higher ones), is
// at least `threshold`; compared bit-serially from the most significant bit down.
inline __attribute__((always_inline)) bool anyAtLeast(
    const Vec (&low)[4], const Vec (&high)[kCounterBits], int threshold)
{
    if (threshold <= 0)
        return true;
    Vec greater {};
    Vec equal = ~Vec {};
    for (int p = kCounterBits - 1; p >= 0; --p) {
        const Vec bits = p < 4 ? low[p] : high[p];
        if (threshold >> p & 1) {
            equal &= bits;
        } else {
            greater |= equal & bits;
            equal &= ~bits;
        }
    }
    const Vec found = greater | equal;
    uint64_t any = 0;
    for (int word = 0; word < kVecWords; ++word)
        any |= found[word];
    return any != 0;
}

// Adds up, for the 512 pictures of a block, how many of the given slices have each picture's
// bit set, onto the counts in the counter bit planes (Harley-Seal: sixteen inputs cost fifteen
// carry-save adds). `slab` is the block's first slice; `slices` are slice numbers.
//
// Stops once the slices left are too few to lift any picture to `threshold`, so a count that
// cannot reach it may be left short: most blocks hold no picture near pairing, and the last
// quarter or so of their slices is skipped. Between groups of sixteen, ones to eights are the
// exact four lowest bits of the counts, so the counts can be compared there.
QUORVANE_AVX2_CLONES void countSlicesPortable(
    const uint64_t *slab, const uint32_t *slices, std::size_t count, TPlanes &planes, int threshold)
{
    for (int half = 0; half < kSliceWords / kVecWords; ++half) {
        Vec high[kCounterBits];
        for (int p = 0; p < kCounterBits; ++p)
            std::memcpy(&high[p], planes[p] + half * kVecWords, sizeof(Vec));
        Vec low[4] = { high[0], high[1], high[2], high[3] };
        Vec &ones = low[0], &twos = low[1], &fours = low[2], &eights = low[3];
        std::size_t end = count;
        std::size_t i = 0;
        for (; i + 16 <= end; i += 16) {
            if (!anyAtLeast(low, high, threshold - int(count - i))) {
                end = i;
                break;
            }
            Vec in[16];
            for (int k = 0; k < 16; ++k)
                loadHalfSlice(in[k], slab, slices[i + k], half);
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
        if (i < end && !anyAtLeast(low, high, threshold - int(count - i)))
            end = i;
        high[0] = ones;
        high[1] = twos;
        high[2] = fours;
        high[3] = eights;
        for (; i < end; ++i) {
            Vec input;
            loadHalfSlice(input, slab, slices[i], half);
            rippleAdd(high, 0, input);
        }
        for (int p = 0; p < kCounterBits; ++p)
            std::memcpy(planes[p] + half * kVecWords, &high[p], sizeof(Vec));
    }
}

#if defined(__x86_64__)
// The same count with AVX-512, where one carry-save add is two three-input logic instructions.
__attribute__((target("avx512f"))) inline void csa512(
    __m512i &h, __m512i &l, const __m512i a, const __m512i b, const __m512i c)
{
    h = _mm512_ternarylogic_epi64(a, b, c, 0xE8); // majority
    l = _mm512_ternarylogic_epi64(a, b, c, 0x96); // parity
}

__attribute__((target("avx512f"), always_inline)) inline bool anyAtLeast(
    const __m512i (&low)[4], const __m512i (&high)[kCounterBits], int threshold)
{
    if (threshold <= 0)
        return true;
    __m512i greater = _mm512_setzero_si512();
    __m512i equal = _mm512_set1_epi64(-1);
    for (int p = kCounterBits - 1; p >= 0; --p) {
        const __m512i bits = p < 4 ? low[p] : high[p];
        if (threshold >> p & 1) {
            equal = _mm512_and_si512(equal, bits);
        } else {
            greater = _mm512_or_si512(greater, _mm512_and_si512(equal, bits));
            equal = _mm512_xor_si512(equal, _mm512_and_si512(equal, bits));
        }
    }
    const __m512i found = _mm512_or_si512(greater, equal);
    return _mm512_test_epi64_mask(found, found) != 0;
}

__attribute__((target("avx512f"))) void countSlicesAvx512(
    const uint64_t *slab, const uint32_t *slices, std::size_t count, TPlanes &planes, int threshold)
{
    const auto *slab512 = reinterpret_cast<const __m512i *>(slab);
    __m512i high[kCounterBits];
    for (int p = 0; p < kCounterBits; ++p)
        high[p] = _mm512_load_si512(planes[p]);
    __m512i low[4] = { high[0], high[1], high[2], high[3] };
    __m512i &ones = low[0], &twos = low[1], &fours = low[2], &eights = low[3];
    std::size_t end = count;
    std::size_t i = 0;
    for (; i + 16 <= end; i += 16) {
        if (!anyAtLeast(low, high, threshold - int(count - i))) {
            end = i;
            break;
        }
        const uint32_t *in = slices + i;
        __m512i twosA, twosB, foursA, foursB, eightsA, eightsB, sixteens;
        csa512(twosA, ones, ones, _mm512_load_si512(slab512 + in[0]), _mm512_load_si512(slab512 + in[1]));
        csa512(twosB, ones, ones, _mm512_load_si512(slab512 + in[2]), _mm512_load_si512(slab512 + in[3]));
        csa512(foursA, twos, twos, twosA, twosB);
        csa512(twosA, ones, ones, _mm512_load_si512(slab512 + in[4]), _mm512_load_si512(slab512 + in[5]));
        csa512(twosB, ones, ones, _mm512_load_si512(slab512 + in[6]), _mm512_load_si512(slab512 + in[7]));
        csa512(foursB, twos, twos, twosA, twosB);
        csa512(eightsA, fours, fours, foursA, foursB);
        csa512(twosA, ones, ones, _mm512_load_si512(slab512 + in[8]), _mm512_load_si512(slab512 + in[9]));
        csa512(twosB, ones, ones, _mm512_load_si512(slab512 + in[10]), _mm512_load_si512(slab512 + in[11]));
        csa512(foursA, twos, twos, twosA, twosB);
        csa512(twosA, ones, ones, _mm512_load_si512(slab512 + in[12]), _mm512_load_si512(slab512 + in[13]));
        csa512(twosB, ones, ones, _mm512_load_si512(slab512 + in[14]), _mm512_load_si512(slab512 + in[15]));
        csa512(foursB, twos, twos, twosA, twosB);
        csa512(eightsB, fours, fours, foursA, foursB);
        csa512(sixteens, eights, eights, eightsA, eightsB);
        for (int p = 4; p < kCounterBits; ++p) {
            const __m512i carry = _mm512_and_si512(high[p], sixteens);
            high[p] = _mm512_xor_si512(high[p], sixteens);
            sixteens = carry;
        }
    }
    if (i < end && !anyAtLeast(low, high, threshold - int(count - i)))
        end = i;
    high[0] = ones;
    high[1] = twos;
    high[2] = fours;
    high[3] = eights;
    for (; i < end; ++i) {
        __m512i carry = _mm512_load_si512(slab512 + slices[i]);
        for (int p = 0; p < kCounterBits; ++p) {
            const __m512i next = _mm512_and_si512(high[p], carry);
            high[p] = _mm512_xor_si512(high[p], carry);
            carry = next;
        }
    }
    for (int p = 0; p < kCounterBits; ++p)
        _mm512_store_si512(planes[p], high[p]);
}
#endif

using TCountSlices = void(const uint64_t *, const uint32_t *, std::size_t, TPlanes &, int);

TCountSlices *countingFor([[maybe_unused]] TSignatureIndex::TCounting counting)
{
#if defined(__x86_64__)
    if (counting == TSignatureIndex::TCounting::Fastest && __builtin_cpu_supports("avx512f"))
        return countSlicesAvx512;
#endif
    return countSlicesPortable;
}

// Bits of the pictures of `word` whose count is at least `threshold`, compared bit-serially
// from the most significant plane down.
uint64_t atLeast(const TPlanes &planes, int word, int threshold)
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

// What one query reads: the slice numbers of its common positions, and the list entries of its
// rare positions sorted by block, so that each block finds its own entries in one contiguous run.
struct TQueryState {
    // The query's limit within the pictures indexed.
    int32_t End = 0;
    std::vector<uint32_t> Slices;
    // Each entry is a picture's place within its block.
    std::vector<uint16_t> SparseEntries;
    std::vector<uint32_t> BlockStarts; // entries of block b: [BlockStarts[b], BlockStarts[b + 1])
    bool Settled = false;
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
            state.SparseEntries[next[index / kBlockPictures]++] = uint16_t(index % kBlockPictures);
        }
    }
}

// Adds `weight` (a power of two, 1 << `plane`) to the counts of the pictures set in `bits`.
void addSlice(TPlanes &planes, const uint64_t (&bits)[kSliceWords], int plane)
{
    uint64_t carry[kSliceWords];
    std::copy(std::begin(bits), std::end(bits), carry);
    for (int p = plane; p < kCounterBits; ++p) {
        uint64_t left = 0;
        for (int word = 0; word < kSliceWords; ++word) {
            const uint64_t next = planes[p][word] & carry[word];
            planes[p][word] ^= carry[word];
            carry[word] = next;
            left |= next;
        }
        if (!left)
            break;
    }
}

// Adds one to the count of each listed picture of a block. A picture's first two hits go into
// two slices that are added to all counters at once; its further hits (few, but every rare
// position of a near-copy) ripple through the counters one by one.
void addEntries(TPlanes &planes, const uint16_t *entries, std::size_t count)
{
    uint64_t once[kSliceWords] = {};
    uint64_t twice[kSliceWords] = {};
    for (std::size_t e = 0; e < count; ++e) {
        const uint16_t bit = entries[e];
        const uint64_t mask = uint64_t(1) << (bit % 64);
        const uint64_t seen = once[bit / 64] & mask;
        once[bit / 64] ^= mask;
        if (!seen)
            continue;
        // A second hit carries into `twice`; a third ripples on.
        uint64_t again = twice[bit / 64] & mask;
        twice[bit / 64] ^= mask;
        for (int p = 2; p < kCounterBits && again; ++p) {
            const uint64_t next = planes[p][bit / 64] & again;
            planes[p][bit / 64] ^= again;
            again = next;
        }
    }
    addSlice(planes, once, 0);
    addSlice(planes, twice, 1);
}

// Counts the query's shared positions for the pictures of one block and collects, newest first,
// those that reach the threshold, until one settles the query.
void countBlock(TCountSlices *countSlices, TQueryState &state, TSignatureIndex::TQuery &query, const uint64_t *slab,
    int32_t block, int threshold, const TSignatureIndex::TSettles &settles)
{
    // The rare positions first, so that the slices' count knows every other hit a picture has.
    alignas(64) TPlanes planes {};
    const uint32_t firstEntry = state.BlockStarts[block];
    const uint32_t endEntry = state.BlockStarts[block + 1];
    if (firstEntry != endEntry)
        addEntries(planes, state.SparseEntries.data() + firstEntry, endEntry - firstEntry);
    countSlices(slab, state.Slices.data(), state.Slices.size(), planes, threshold);

    const int32_t blockStart = block * kBlockPictures;

    for (int word = kSliceWords - 1; word >= 0; --word) {
        const int32_t wordStart = blockStart + word * 64;
        if (wordStart >= state.End)
            continue;
        uint64_t found = atLeast(planes, word, threshold);
        if (state.End - wordStart < 64)
            found &= (uint64_t(1) << (state.End - wordStart)) - 1;
        while (found) {
            const int bit = 63 - std::countl_zero(found);
            const int32_t index = wordStart + bit;
            query.Matches.push_back(index);
            if (settles && settles(index, query.Limit)) {
                state.Settled = true;
                return;
            }
            found ^= uint64_t(1) << bit;
        }
    }
}

}

TSignatureIndex::TSignatureIndex(int32_t pictureCount, TCounting counting, int queriesPerPicture)
    : m_pictureCount(pictureCount)
    , m_counting(counting)
    , m_denseAfter(std::max(
          kMinDenseAfter, std::size_t(pictureCount) / (kDenseShare * std::size_t(std::max(queriesPerPicture, 1)))))
    , m_postings(kSignedPositions)
    , m_sliceOf(kSignedPositions, -1)
{
}

void TSignatureIndex::Add(int32_t index, const TWaveletCoefs &positive, const TWaveletCoefs &negative)
{
    const std::size_t block = std::size_t(index / kBlockPictures);
    while (m_blocks.size() <= block)
        m_blocks.emplace_back(kSignedPositions, m_sliceCount);
    const int bit = index % kBlockPictures;
    const auto add = [&](uint16_t packed, bool isNegative) {
        if (packed == 0)
            return;
        const int position = signedPosition(packed, isNegative);
        if (m_sliceOf[position] >= 0) {
            m_blocks[block].Slice(std::size_t(m_sliceOf[position]))[bit / 64] |= uint64_t(1) << (bit % 64);
            return;
        }
        m_postings[position].push_back(index);
        if (m_postings[position].size() >= m_denseAfter)
            promoteToSlices(position);
    };
    for (int j = 0; j < kSignatureSize; ++j) {
        add(positive.PackedAt(j), false);
        add(negative.PackedAt(j), true);
    }
}

void TSignatureIndex::promoteToSlices(int signedPosition)
{
    const std::size_t slice = m_sliceCount++;
    m_sliceOf[signedPosition] = int32_t(slice);
    for (TSliceSlab &slab : m_blocks)
        slab.AddSlice();
    for (const int32_t index : m_postings[signedPosition]) {
        const int bit = index % kBlockPictures;
        m_blocks[std::size_t(index / kBlockPictures)].Slice(slice)[bit / 64] |= uint64_t(1) << (bit % 64);
    }
    std::vector<int32_t>().swap(m_postings[signedPosition]);
}

void TSignatureIndex::FindShared(std::span<TQuery> queries, int threshold, const TSettles &settles) const
{
    std::vector<TQueryState> states(queries.size());
    std::vector<std::span<const int32_t>> sparseLists;
    // The query's slice numbers, one bit each, read back in order and cleared on the way.
    std::vector<uint64_t> sliceBits((m_sliceCount + 63) / 64);
    int32_t maxLimit = 0;
    for (std::size_t q = 0; q < queries.size(); ++q) {
        TQuery &query = queries[q];
        query.Matches.clear();
        states[q].End = std::clamp(query.Limit, 0, std::min(m_pictureCount, int32_t(m_blocks.size()) * kBlockPictures));
        maxLimit = std::max(maxLimit, states[q].End);
        sparseLists.clear();
        const auto collect = [&](uint16_t packed, bool isNegative) {
            if (packed == 0)
                return;
            const int position = signedPosition(packed, isNegative);
            if (const int32_t slice = m_sliceOf[position]; slice >= 0)
                sliceBits[std::size_t(slice / 64)] |= uint64_t(1) << (slice % 64);
            else if (!m_postings[position].empty())
                sparseLists.push_back(m_postings[position]);
        };
        for (int j = 0; j < kSignatureSize; ++j) {
            collect(query.Positive->PackedAt(j), false);
            collect(query.Negative->PackedAt(j), true);
        }
        // In slice order the loads of a block walk its memory forwards.
        for (std::size_t word = 0; word < sliceBits.size(); ++word) {
            for (uint64_t bits = std::exchange(sliceBits[word], 0); bits; bits &= bits - 1)
                states[q].Slices.push_back(uint32_t(word * 64) + uint32_t(std::countr_zero(bits)));
        }
        sortSparseByBlock(states[q], sparseLists, states[q].End);
    }

    TCountSlices *const countSlices = countingFor(m_counting);
    // Blocks outermost, so that one block's slices serve the whole batch from the cache; newest
    // first, so that a query can stop at the match that settles it.
    for (int32_t block = (maxLimit + kBlockPictures - 1) / kBlockPictures - 1; block >= 0; --block) {
        const uint64_t *slab = m_blocks[std::size_t(block)].Words();
        for (std::size_t q = 0; q < queries.size(); ++q) {
            if (!states[q].Settled && block * kBlockPictures < states[q].End)
                countBlock(countSlices, states[q], queries[q], slab, block, threshold, settles);
        }
        // The other queries of a picture need no match older than the one that settled it, but
        // they still needed this block's newer ones.
        for (std::size_t first = 0, end = 0; first < queries.size(); first = end) {
            bool settled = false;
            for (end = first; end < queries.size() && queries[end].Limit == queries[first].Limit; ++end)
                settled = settled || states[end].Settled;
            for (std::size_t q = first; settled && q < end; ++q)
                states[q].Settled = true;
        }
    }
}

std::size_t TSignatureIndex::MemoryUsage() const
{
    std::size_t bytes = (m_postings.size() * sizeof(std::vector<int32_t>)) + m_sliceOf.size() * sizeof(int32_t);
    for (const auto &postings : m_postings)
        bytes += postings.capacity() * sizeof(int32_t);
    for (const TSliceSlab &slab : m_blocks)
        bytes += sizeof slab + slab.ResidentBytes();
    return bytes;
}
