#include "engine/compare/signatureindex.h"
#include "signaturefixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

int sharedCount(const TSignatureLists &earlier, const std::vector<int8_t> &currentSigns)
{
    int shared = 0;
    for (int j = 0; j < kSignatureSize; ++j) {
        shared += earlier.Positive.PackedAt(j) && currentSigns[earlier.Positive.PackedAt(j)] > 0;
        shared += earlier.Negative.PackedAt(j) && currentSigns[earlier.Negative.PackedAt(j)] < 0;
    }
    return shared;
}

std::vector<int8_t> signsOf(const TSignatureLists &signature)
{
    std::vector<int8_t> signs(kWorkBitmapSize * kWorkBitmapSize, 0);
    for (int j = 0; j < kSignatureSize; ++j) {
        signs[signature.Positive.PackedAt(j)] = 1;
        signs[signature.Negative.PackedAt(j)] = -1;
    }
    signs[0] = 0;
    return signs;
}

}

TEST(SignatureIndex, FindsExactlyThePicturesAPlainCountFinds)
{
    const int count = 2600;
    const std::vector<TSignatureLists> signatures = MakeClusteredSignatures(count, 7);
    for (const auto counting : { TSignatureIndex::TCounting::Fastest, TSignatureIndex::TCounting::Portable }) {
        TSignatureIndex index(count, counting);
        std::vector<TSignatureIndex::TQuery> queries;
        for (int n = 0; n < count; ++n) {
            if (n % 5 == 3)
                continue; // skipped pictures are never added
            index.Add(n, signatures[n].Positive, signatures[n].Negative);
        }
        for (int n = 0; n < count; n += 7)
            queries.push_back({ &signatures[n].Positive, &signatures[n].Negative, n, {} });

        for (const int threshold : { 125, 60, 1 }) {
            index.FindShared(queries, threshold);
            int matchesSeen = 0;
            for (const TSignatureIndex::TQuery &query : queries) {
                const int n = query.Limit;
                const std::vector<int8_t> signs = signsOf(signatures[n]);
                std::vector<int32_t> expected;
                for (int i = n - 1; i >= 0; --i) {
                    if (i % 5 != 3 && sharedCount(signatures[i], signs) >= threshold)
                        expected.push_back(i);
                }
                ASSERT_EQ(query.Matches, expected)
                    << "picture " << n << " threshold " << threshold << " counting " << int(counting);
                matchesSeen += int(expected.size());
            }
            EXPECT_GT(matchesSeen, 0);
        }
        EXPECT_GT(index.MemoryUsage(), 0u);
    }
}

TEST(SignatureIndex, StopsAtTheNewestMatchThatSettlesAQueryOrItsPicture)
{
    const int count = 1800;
    const std::vector<TSignatureLists> signatures = MakeClusteredSignatures(count, 11);
    TSignatureIndex index(count);
    for (int n = 0; n < count; ++n)
        index.Add(n, signatures[n].Positive, signatures[n].Negative);
    // Each picture asks twice side by side, the second time in the lists of the next picture, as
    // a turned copy would.
    std::vector<TSignatureIndex::TQuery> queries;
    for (int n = 1; n + 1 < count; n += 3) {
        queries.push_back({ &signatures[n].Positive, &signatures[n].Negative, n, {} });
        queries.push_back({ &signatures[n + 1].Positive, &signatures[n + 1].Negative, n, {} });
    }

    // Settles on every third picture, and never for the picture it is asked about itself.
    const auto settles = [](int32_t earlier, int32_t picture) {
        EXPECT_LT(earlier, picture);
        return earlier % 3 == 0;
    };
    index.FindShared(queries, 60, settles);
    const auto ownMatches = [&](int32_t limit, const TSignatureLists &lists) {
        const std::vector<int8_t> signs = signsOf(lists);
        std::vector<int32_t> expected;
        for (int i = limit - 1; i >= 0; --i) {
            if (sharedCount(signatures[i], signs) >= 60) {
                expected.push_back(i);
                if (i % 3 == 0)
                    break;
            }
        }
        return expected;
    };
    int settled = 0;
    int cutBySibling = 0;
    for (std::size_t q = 0; q < queries.size(); q += 2) {
        const int32_t limit = queries[q].Limit;
        const std::vector<int32_t> own[2]
            = { ownMatches(limit, signatures[limit]), ownMatches(limit, signatures[limit + 1]) };
        // The newest match that settles either query; the older ones are of no use to the picture.
        int32_t settledAt = -1;
        for (const std::vector<int32_t> &expected : own) {
            if (!expected.empty() && expected.back() % 3 == 0)
                settledAt = std::max(settledAt, expected.back());
        }
        settled += settledAt >= 0;
        for (int sibling = 0; sibling < 2; ++sibling) {
            const std::vector<int32_t> &found = queries[q + std::size_t(sibling)].Matches;
            const std::vector<int32_t> &expected = own[sibling];
            ASSERT_LE(found.size(), expected.size()) << "picture " << limit;
            ASSERT_TRUE(std::equal(found.begin(), found.end(), expected.begin())) << "picture " << limit;
            const auto newer
                = std::count_if(expected.begin(), expected.end(), [&](int32_t i) { return i >= settledAt; });
            ASSERT_GE(found.size(), std::size_t(newer)) << "picture " << limit;
            cutBySibling += found.size() < expected.size();
        }
    }
    // Both kinds occur: queries settled across several blocks and queries never settled; and
    // queries that stopped since the other one settled.
    EXPECT_GT(settled, 100);
    EXPECT_LT(settled, int(queries.size() / 2));
    EXPECT_GT(cutBySibling, 0);
}

TEST(SignatureIndex, EmptySignaturesAndAnEmptyIndexFindNothing)
{
    TSignatureIndex index(10);
    TWaveletCoefs empty;
    std::vector<TSignatureIndex::TQuery> queries { { &empty, &empty, 10, {} } };
    index.FindShared(queries, 1);
    EXPECT_TRUE(queries[0].Matches.empty());
    index.Add(0, empty, empty);
    index.FindShared(queries, 1);
    EXPECT_TRUE(queries[0].Matches.empty());
}

TEST(SignatureIndex, CountsAboveTwoHundredFiftyFiveSharedPositionsAreNotLost)
{
    // Rows 1-2 and 10-11 hold the earlier picture's positions; rows 50-51 and 60-61 none of them.
    const auto pointAt = [](int firstRow, int j) { return TWaveletPoint { firstRow + j / 100, j % 100 }; };
    TWaveletCoefs earlierPositive, earlierNegative;
    for (int j = 0; j < kSignatureSize; ++j) {
        earlierPositive.Set(j, pointAt(1, j));
        earlierNegative.Set(j, pointAt(10, j));
    }
    // 16 copies make every position common enough to be held as a bitset in a small index.
    for (const int copies : { 1, 16 }) {
        for (const int shared : { 124, 125, 255, 256, 300, 380, 500 }) {
            TWaveletCoefs positive, negative;
            for (int j = 0; j < kSignatureSize; ++j) {
                positive.Set(j, j < shared ? pointAt(1, j) : pointAt(50, j));
                negative.Set(j, j + kSignatureSize < shared ? pointAt(10, j) : pointAt(60, j));
            }
            TSignatureIndex index(copies + 1);
            for (int c = 0; c < copies; ++c)
                index.Add(c, earlierPositive, earlierNegative);
            index.Add(copies, positive, negative);
            std::vector<TSignatureIndex::TQuery> queries { { &positive, &negative, copies, {} } };
            index.FindShared(queries, 125);
            EXPECT_EQ(queries[0].Matches.size(), shared >= 125 ? std::size_t(copies) : 0u)
                << shared << " shared, " << copies << " copies";
        }
    }
}
