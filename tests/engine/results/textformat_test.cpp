#include "engine/results/textformat.h"

#include <gtest/gtest.h>

TEST(TextFormat, SizeToTextPicksTheUnitByThreshold)
{
    EXPECT_EQ(SizeToText(0), "0 B");
    EXPECT_EQ(SizeToText(1023), "1023 B");
    EXPECT_EQ(SizeToText(1600), "2 KB");
    EXPECT_EQ(SizeToText(1048576), "1.00 MB");
    EXPECT_EQ(SizeToText(1073741824), "1.000 GB");
    EXPECT_EQ(SizeToText(-5), "-5 B");
}

TEST(TextFormat, ElapsedTimeTextKeepsTwoDigitsPerField)
{
    EXPECT_EQ(ElapsedTimeText(3725000), "01:02:05");
    EXPECT_EQ(ElapsedTimeText(7000), "00:00:07");
    EXPECT_EQ(ElapsedTimeText(100u * 3600u * 1000u), "00:00:00");
    EXPECT_EQ(ElapsedTimeText(999), "00:00:00");
}

TEST(TextFormat, SimilarityRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(FormatSimilarity(99.5), "100");
    EXPECT_EQ(FormatSimilarity(99.49), "99");
    EXPECT_EQ(FormatSimilarity(56.5), "57");
    EXPECT_EQ(FormatSimilarity(1), "1");
}
