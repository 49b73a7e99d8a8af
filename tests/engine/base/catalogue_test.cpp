#include "engine/base/catalogue.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace
{

TPicInfo picture(const char *name)
{
    TPicInfo info;
    info.FileName = name;
    info.Size = 1;
    return info;
}

void appendPictures(TCatalogue &catalogue, int count)
{
    for (int i = 0; i < count; ++i)
        AppendPicture(catalogue, picture("p.jpg"));
}

}

TEST(Catalogue, ResetEmptiesEverythingAndAllocates)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, "/a/");
    appendPictures(catalogue, 3);
    AllocatePairs(catalogue);
    AppendPair(catalogue, 0, 1, 50);
    TrimPairs(catalogue);

    ResetCatalogue(catalogue);
    EXPECT_EQ(catalogue.PicturesLast, -1);
    EXPECT_EQ(catalogue.PathsLast, -1);
    EXPECT_EQ(catalogue.PairsLast, -1);
    EXPECT_EQ(catalogue.PairsCapacity, 0);
    EXPECT_TRUE(catalogue.Pairs.empty());
    EXPECT_EQ(catalogue.PicturesCapacity, 30000);
    EXPECT_EQ(catalogue.PathsCapacity, 30000);
    EXPECT_TRUE(catalogue.Pictures.empty());
}

TEST(Catalogue, GrowsWhenTheLastIndexReachesCapacityLessOneStep)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, "/a/");
    appendPictures(catalogue, 29000); // indexes 0..28999
    EXPECT_EQ(catalogue.PicturesCapacity, 30000);
    appendPictures(catalogue, 1); // index 29000
    EXPECT_EQ(catalogue.PicturesCapacity, 31000);
    EXPECT_EQ(catalogue.Pictures.size(), 29001u);
    EXPECT_EQ(catalogue.Pictures[29000].CCVStage, TCCVStage::None);
}

TEST(Catalogue, KeepsGrowingInStepsPastAQuarterMillionFolders)
{
    enum { kFolders = 300000 };
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    for (int i = 0; i < kFolders; ++i) {
        AppendPath(catalogue, "/f" + QByteArray::number(i) + '/');
        // A step ahead of the last index, so that the next append never finds the room used up.
        ASSERT_GE(catalogue.PathsCapacity - catalogue.PathsLast, 1000) << "after index " << i;
    }
    EXPECT_EQ(catalogue.PathsCapacity, 301000);
    EXPECT_EQ(catalogue.Paths[0], "/f0/");
    EXPECT_EQ(catalogue.Paths[kFolders - 1], "/f299999/");
    TrimAfterCollection(catalogue);
    EXPECT_EQ(catalogue.Paths.size(), std::size_t(kFolders));
    EXPECT_EQ(catalogue.PathsCapacity, kFolders);
}

TEST(Catalogue, AppendedPictureBelongsToTheCurrentFolder)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, "/photos/");
    AppendPicture(catalogue, picture("a.jpg"));
    AppendPath(catalogue, "/photos/2020/");
    AppendPicture(catalogue, picture("b.jpg"));
    EXPECT_EQ(catalogue.Pictures[0].PathInd, 0);
    EXPECT_EQ(catalogue.Pictures[1].PathInd, 1);
    EXPECT_EQ(FullPath(catalogue, 1), QByteArray("/photos/2020/b.jpg"));
}

TEST(Catalogue, TrimCutsToTheCounts)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    TrimAfterCollection(catalogue);
    EXPECT_EQ(catalogue.PicturesCapacity, 0);
    EXPECT_TRUE(catalogue.Pictures.empty());
    EXPECT_TRUE(catalogue.Paths.empty());

    ResetCatalogue(catalogue);
    AppendPath(catalogue, "/a/");
    appendPictures(catalogue, 7);
    TrimAfterCollection(catalogue);
    EXPECT_EQ(catalogue.PicturesCapacity, 7);
    EXPECT_EQ(catalogue.Pictures.size(), 7u);
    EXPECT_EQ(catalogue.PathsCapacity, 1);
}

TEST(Catalogue, RemovePictureDropsEveryPairNamingItAndKeepsTheOrder)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, "/a/");
    appendPictures(catalogue, 6);
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    AppendPair(catalogue, 0, 1, 90);
    AppendPair(catalogue, 2, 3, 80);
    AppendPair(catalogue, 1, 4, 70);
    AppendPair(catalogue, 3, 5, 60);
    AppendPair(catalogue, 5, 1, 50);
    TrimPairs(catalogue);
    ASSERT_EQ(catalogue.PairsCapacity, 5);

    RemovePicture(catalogue, 1);
    ASSERT_EQ(catalogue.PairsLast, 1);
    EXPECT_EQ(catalogue.PairsCapacity, 2);
    EXPECT_EQ(catalogue.Pairs.size(), 2u);
    EXPECT_EQ(catalogue.Pairs[0].Similarity, 80);
    EXPECT_EQ(catalogue.Pairs[1].Similarity, 60);
    EXPECT_TRUE(catalogue.Pictures[1].Deleted);
    EXPECT_EQ(catalogue.Pictures.size(), 6u);

    RemovePicture(catalogue, 3);
    EXPECT_EQ(catalogue.PairsLast, -1);
    EXPECT_EQ(catalogue.PairsCapacity, 0);
}

TEST(Catalogue, ClearLeavesNothingForAWindingDownSearchToTrimBackIn)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    catalogue.SearchStopped = false;
    AppendPath(catalogue, "/a/");
    appendPictures(catalogue, 3);
    ClearCatalogue(catalogue);
    EXPECT_TRUE(catalogue.SearchStopped);
    TrimAfterCollection(catalogue);
    TrimPairs(catalogue);
    EXPECT_TRUE(catalogue.Pictures.empty());
    EXPECT_TRUE(catalogue.Paths.empty());
    EXPECT_TRUE(catalogue.Pairs.empty());
}

TEST(Catalogue, WaveletPositionsPackLosslessly)
{
    TWaveletCoefs coefs;
    coefs.Set(0, { 127, 127 });
    coefs.Set(1, { 0, 5 });
    coefs.Set(249, { 64, 0 });
    EXPECT_EQ(coefs[0], (TWaveletPoint { 127, 127 }));
    EXPECT_EQ(coefs[1], (TWaveletPoint { 0, 5 }));
    EXPECT_EQ(coefs[249], (TWaveletPoint { 64, 0 }));
    EXPECT_EQ(coefs[2], (TWaveletPoint { 0, 0 }));
    EXPECT_LE(sizeof(TPicInfo), 1400u);
}
