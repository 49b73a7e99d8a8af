#pragma once

#include "catalogue.h"

#include <cstdint>
#include <span>
#include <vector>

// An inverted index from signed wavelet position to the pictures that kept it, for finding the
// earlier pictures that share many signed positions with a new one without visiting every
// earlier picture's 500 entries.
//
// Positions kept by many pictures are stored as bitsets over the catalogue, so that the shared
// counts of a whole block of pictures are added up with bit-sliced counters (64 pictures per
// machine word); rarely kept positions are stored as lists of pictures. Queries walk the
// catalogue in blocks small enough for the cache and can be answered in batches, so that a
// block's bitsets are read from memory once for the whole batch.
class TSignatureIndex
{
public:
    // `pictureCount` bounds the indexes that will be added.
    explicit TSignatureIndex(int32_t pictureCount);

    // Adds picture `index`. Indexes must be added in increasing order.
    void Add(int32_t index, const TWaveletCoefs &positive, const TWaveletCoefs &negative);

    struct TQuery {
        const TWaveletCoefs *Positive = nullptr;
        const TWaveletCoefs *Negative = nullptr;
        // Only pictures with a smaller index are looked at.
        int32_t Limit = 0;
        // Receives, in descending index order, the pictures that share at least `threshold`
        // signed positions with the query.
        std::vector<int32_t> Matches;
    };

    // Answers a batch of queries. Safe to call from several threads at once on disjoint
    // batches while no picture is being added.
    void FindShared(std::span<TQuery> queries, int threshold) const;

    // Memory held by the index, in bytes.
    std::size_t MemoryUsage() const;

private:
    void promoteToBitset(int signedPosition);

    int32_t m_pictureCount;
    std::size_t m_wordCount;
    std::size_t m_denseAfter;
    std::vector<std::vector<int32_t>> m_postings;
    std::vector<std::vector<uint64_t>> m_bitsets;
};
