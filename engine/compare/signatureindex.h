#pragma once

#include "engine/base/catalogue.h"
#include "engine/compare/sliceslab.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// An inverted index from signed wavelet position to the pictures that kept it, for finding the
// earlier pictures that share many signed positions with a new one without visiting every
// earlier picture's 500 entries.
//
// The catalogue is cut into blocks of 512 pictures. Positions kept by many pictures get one
// 64-byte bitset slice per block, and a block's slices lie side by side, so that counting a
// block reads one compact, cache-sized piece of memory and adds 512 pictures at a time with
// bit-sliced counters. Rarely kept positions are lists of pictures. Queries walk the blocks from
// the newest down, in batches, so that a block's slices are read from memory once per batch.
class TSignatureIndex
{
public:
    // How shared positions are counted: with the widest instructions the processor has, or with
    // the code that runs where AVX-512 does not (so that it can be tested anywhere).
    enum class TCounting { Fastest, Portable };

    // `pictureCount` bounds the indexes that will be added; `queriesPerPicture` is how many times
    // each picture will ask the index (once for each orientation it is compared in).
    explicit TSignatureIndex(int32_t pictureCount, TCounting counting = TCounting::Fastest, int queriesPerPicture = 1);

    // Adds picture `index`. Indexes must be added in increasing order.
    void Add(int32_t index, const TWaveletCoefs &positive, const TWaveletCoefs &negative);

    struct TQuery {
        const TWaveletCoefs *Positive = nullptr;
        const TWaveletCoefs *Negative = nullptr;
        // The query picture's own index: only pictures before it are looked at.
        int32_t Limit = 0;
        // Receives, in descending index order, the pictures that share at least `threshold`
        // signed positions with the query, down to the first one that settles it or its picture.
        std::vector<int32_t> Matches;
    };

    // Whether earlier picture `earlier`, a match of picture `picture`, is certain to be the one
    // picture `picture` pairs with if no newer match comes before it; no older match is needed.
    using TSettles = std::function<bool(int32_t earlier, int32_t picture)>;

    // Answers a batch of queries. Queries side by side with the same limit ask for one picture
    // (in several orientations): once a match settles one of them, none of them goes on to older
    // pictures. Safe to call from several threads at once on disjoint batches while no picture
    // is being added.
    void FindShared(std::span<TQuery> queries, int threshold, const TSettles &settles = {}) const;

    // Memory held by the index, in bytes.
    std::size_t MemoryUsage() const;

private:
    void promoteToSlices(int signedPosition);

    int32_t m_pictureCount;
    TCounting m_counting;
    std::size_t m_denseAfter;
    // The pictures of each position held as a list; empty for those held as slices.
    std::vector<std::vector<int32_t>> m_postings;
    // The slice number of each position held as slices, -1 for the others.
    std::vector<int32_t> m_sliceOf;
    std::size_t m_sliceCount = 0;
    // Per block, one slice for every position held as slices, by slice number.
    std::vector<TSliceSlab> m_blocks;
};
