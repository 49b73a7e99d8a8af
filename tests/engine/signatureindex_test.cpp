#include "signatureindex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace
{

struct TSignature {
    TWaveletCoefs Positive;
    TWaveletCoefs Negative;
};

// Signatures whose positions cluster on a few hundred common positions, as photographs' do,
// with planted near-copies, so that both the bitset and the list storage are exercised. Like
// real signatures, no position occurs twice in one signature.
std::vector<TSignature> makeSignatures(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<TSignature> signatures(count);
    for (int n = 0; n < count; ++n) {
        std::vector<int> positions;
        const bool nearCopy = n > 10 && random() % 10 == 0;
        const TSignature &original = signatures[nearCopy ? random() % n : 0];
        std::set<int> used;
        for (int j = 0; j < 2 * kSignatureSize && positions.size() < 250u; ++j) {
            int position = 0;
            if (nearCopy && j < 210) {
                const TWaveletCoefs &coefs = j % 2 ? original.Negative : original.Positive;
                position = coefs.PackedAt(j / 2);
            } else {
                position = random() % 4 != 0 ? int(1 + random() % 300) : int(1 + random() % 16383);
            }
            if (position != 0 && used.insert(position).second)
                positions.push_back(position);
        }
        for (std::size_t j = 0; j < positions.size(); ++j) {
            TWaveletCoefs &coefs = j % 2 ? signatures[n].Negative : signatures[n].Positive;
            coefs.Set(int(j / 2), { positions[j] / 128, positions[j] % 128 });
        }
    }
    return signatures;
}

int sharedCount(const TSignature &earlier, const std::vector<int8_t> &currentSigns)
{
    int shared = 0;
    for (int j = 0; j < kSignatureSize; ++j) {
        shared += earlier.Positive.PackedAt(j) && currentSigns[earlier.Positive.PackedAt(j)] > 0;
        shared += earlier.Negative.PackedAt(j) && currentSigns[earlier.Negative.PackedAt(j)] < 0;
    }
    return shared;
}

std::vector<int8_t> signsOf(const TSignature &signature)
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
    const std::vector<TSignature> signatures = makeSignatures(count, 7);
    TSignatureIndex index(count);
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
            ASSERT_EQ(query.Matches, expected) << "picture " << n << " threshold " << threshold;
            matchesSeen += int(expected.size());
        }
        EXPECT_GT(matchesSeen, 0);
    }
    EXPECT_GT(index.MemoryUsage(), 0u);
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
