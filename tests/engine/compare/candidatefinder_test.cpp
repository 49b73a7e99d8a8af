#include "engine/compare/candidatefinder.h"

#include <gtest/gtest.h>

TEST(CandidateFinder, PictureThatFailedToSignLeavesNoShiftInTheBatch)
{
    TWaveletCoefs positive, negative;
    for (int j = 0; j < kSignatureSize; ++j) {
        positive.Set(j, { 1 + j / 100, j % 100 });
        negative.Set(j, { 10 + j / 100, j % 100 });
    }
    constexpr int kSharedPositionsToPair = 125;
    TCandidateFinder finder(4, 1);
    // Picture 1 failed to sign: the batch holds 0, 2 and 3, all alike.
    const std::vector<TCandidateFinder::TSigned> batch { { 0, &positive, &negative }, { 2, &positive, &negative },
        { 3, &positive, &negative } };
    finder.AddBatch(batch, kSharedPositionsToPair);
    const TPreBuffer fingerprint {};
    EXPECT_EQ(finder.CandidatesOf(0, fingerprint), std::vector<int32_t> {});
    EXPECT_EQ(finder.CandidatesOf(2, fingerprint), std::vector<int32_t> { 0 });
    EXPECT_EQ(finder.CandidatesOf(3, fingerprint), (std::vector<int32_t> { 2, 0 }));
}
