#include "engine/cleanup/markingrules.h"
#include "engine/cleanup/picturemarks.h"
#include "tests/support/testcatalogue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

using TMarkResult = TPictureMarks::TMarkResult;

std::vector<int32_t> members(const TPictureGroups &groups, int32_t picture)
{
    return groups.Members(groups.GroupOf(picture));
}

std::vector<int32_t> marked(const TCatalogue &catalogue, const TMarkingRule &rule, TRuleOutcome *outcome = nullptr)
{
    TPictureMarks marks;
    marks.Reset(catalogue);
    const TRuleOutcome result = ApplyMarkingRule(catalogue, marks, rule);
    if (outcome)
        *outcome = result;
    return marks.Marked();
}

TMarkingRule keep(TKeepRule keepRule, double minSimilarity = kDefaultMinSimilarity)
{
    TMarkingRule rule;
    rule.Keep = keepRule;
    rule.MinSimilarity = minSimilarity;
    return rule;
}

} // namespace

TEST(PictureGroups, ChainsJoinAndRemovalsSplit)
{
    TCatalogue catalogue = MakeTestCatalogue(
        { { "/a/0" }, { "/a/1" }, { "/a/2" }, { "/a/3" }, { "/a/4" }, { "/a/5" } }, { { 3, 4 }, { 0, 1 }, { 1, 2 } });
    TPictureMarks marks;
    marks.Reset(catalogue);
    const TPictureGroups &groups = marks.Groups();
    EXPECT_EQ(groups.Count(), 2);
    EXPECT_EQ(members(groups, 2), (std::vector<int32_t> { 0, 1, 2 }));
    EXPECT_EQ(groups.GroupOf(0), 0); // numbered by their first picture, not by pair order
    EXPECT_EQ(groups.GroupOf(5), -1);

    ASSERT_EQ(marks.Mark(0), TMarkResult::Done);
    std::vector<bool> removed(6, false);
    removed[1] = true;
    RemovePictures(catalogue, removed);
    marks.Refresh(catalogue);
    EXPECT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.GroupOf(0), -1);
    EXPECT_EQ(members(groups, 3), (std::vector<int32_t> { 3, 4 }));
    EXPECT_FALSE(marks.IsMarked(0)) << "a picture no longer listed keeps no mark";
}

TEST(PictureMarks, NeverMarksAWholeGroupByHand)
{
    const TCatalogue catalogue = MakeTestCatalogue({ { "/a/0" }, { "/a/1" }, { "/a/2" } }, { { 0, 1 }, { 1, 2 } });
    TPictureMarks marks;
    marks.Reset(catalogue);
    EXPECT_EQ(marks.Mark(0), TMarkResult::Done);
    EXPECT_EQ(marks.Mark(2), TMarkResult::Done);
    EXPECT_EQ(marks.Mark(1), TMarkResult::WholeGroup);
    EXPECT_EQ(marks.KeeperOf(0), 1);
    marks.Unmark(2);
    EXPECT_EQ(marks.Mark(1), TMarkResult::Done);
    EXPECT_EQ(marks.KeeperOf(0), 2);
    EXPECT_EQ(marks.MarkedCount(), 2);
}

TEST(MarkingRules, EachRuleKeepsItsPictureAndTiesGoToTheFirstFound)
{
    // Pixel count, not width first: 110 x 110 has more pixels than 120 x 100.
    const TCatalogue catalogue = MakeTestCatalogue(
        {
            { "/a/0", 0, 120, 100, 500, 30 },
            { "/a/1", 1, 110, 110, 900, 10 },
            { "/a/2", 2, 110, 110, 900, 10 },
            { "/a/3", 3, 100, 100, 100, 50 },
        },
        { { 0, 1 }, { 1, 2 }, { 2, 3 } });
    EXPECT_EQ(marked(catalogue, keep(TKeepRule::MostPixels)), (std::vector<int32_t> { 0, 2, 3 }));
    EXPECT_EQ(marked(catalogue, keep(TKeepRule::Largest)), (std::vector<int32_t> { 0, 2, 3 }));
    EXPECT_EQ(marked(catalogue, keep(TKeepRule::Oldest)), (std::vector<int32_t> { 0, 2, 3 }));
    EXPECT_EQ(marked(catalogue, keep(TKeepRule::Newest)), (std::vector<int32_t> { 0, 1, 2 }));

    const TCatalogue tied = MakeTestCatalogue({ { "/a/0" }, { "/a/1", 1 } }, { { 0, 1 } });
    for (const TKeepRule rule : { TKeepRule::MostPixels, TKeepRule::Largest, TKeepRule::Oldest, TKeepRule::Newest })
        EXPECT_EQ(marked(tied, keep(rule)), std::vector<int32_t> { 1 });
}

TEST(MarkingRules, TheSimilarityGuardLeavesChainsAndWeakPairsUnmarked)
{
    // A~B share 188 positions (similarity 50.4), B~C 182; A and C only 120, below the pairing
    // threshold. D shares 144 with A: similarity 15, the weak kind of pair a search admits.
    const TCatalogue catalogue
        = MakeTestCatalogue({ { "/a/A", 0, 200, 200 }, { "/a/B", 62 }, { "/a/C", 130 }, { "/a/D", 106 } },
            { { 0, 1 }, { 1, 2 }, { 0, 3 } });
    EXPECT_FALSE(SearchSimilarity(catalogue, 0, 2, false, false));
    ASSERT_NEAR(*SearchSimilarity(catalogue, 0, 3, false, false), 15.2, 1e-9);
    TRuleOutcome outcome;
    EXPECT_EQ(marked(catalogue, keep(TKeepRule::MostPixels), &outcome), std::vector<int32_t> { 1 });
    EXPECT_EQ(outcome.PicturesTooUnlike, 2);
    EXPECT_EQ(outcome.GroupsMarked, 1);
    // The lowest minimum is the search's own threshold: C, below it against A, stays unmarked.
    EXPECT_EQ(marked(catalogue, keep(TKeepRule::MostPixels, kLowestMinSimilarity)), (std::vector<int32_t> { 1, 3 }));
}

TEST(MarkingRules, ByteIdenticalCopiesPassTheGuardAndReferenceFoldersKeepTheirPictures)
{
    QTemporaryDir dir;
    const QByteArray ref = QFile::encodeName(dir.filePath("ref")) + '/';
    const QByteArray other = QFile::encodeName(dir.filePath("other")) + '/';
    for (const QByteArray &path : { ref + "a.jpg", other + "a.jpg", other + "b.jpg" }) {
        QDir().mkpath(QFile::decodeName(path.left(path.lastIndexOf('/'))));
        QFile file(QFile::decodeName(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(3000, 'x'));
    }
    // Signatures far apart: only the byte identity can vouch for the copies.
    const TCatalogue catalogue = MakeTestCatalogue(
        { { other + "a.jpg", 200 }, { ref + "a.jpg", 0 }, { other + "b.jpg", 100 }, { "/x/0", 0 }, { "/x/1", 0 } },
        { { 0, 1 }, { 1, 2 }, { 3, 4 } }, true);
    TMarkingRule rule = keep(TKeepRule::InsideFolder, 100);
    rule.Folder = ref;
    rule.OnlyIdentical = true;
    TRuleOutcome outcome;
    EXPECT_EQ(marked(catalogue, rule, &outcome), (std::vector<int32_t> { 0, 2 }));
    EXPECT_EQ(outcome.GroupsWithoutReference, 1);
}

TEST(MarkingRules, FilesSharingOnlyTheirFingerprintAreScoredByHowTheyLook)
{
    QTemporaryDir dir;
    const QByteArray first = QFile::encodeName(dir.filePath("first.jpg"));
    const QByteArray second = QFile::encodeName(dir.filePath("second.jpg"));
    // The same size and first bytes, a different last byte.
    for (const QByteArray &path : { first, second }) {
        QFile file(QFile::decodeName(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(3000, 'x') + (path == first ? 'a' : 'b'));
    }
    // 240 of 250 positions shared: similarity 92.
    TCatalogue catalogue = MakeTestCatalogue({ { first, 0 }, { second, 10 } }, { { 0, 1 } }, true);
    EXPECT_EQ(SearchSimilarity(catalogue, 0, 1, false, false), std::optional<double>(92));
    EXPECT_FALSE(SearchSimilarity(catalogue, 0, 1, true, false));
    EXPECT_EQ(marked(catalogue, keep(TKeepRule::MostPixels, 90)), std::vector<int32_t> { 1 });

    // The hashes a search with the store kept answer without reading either file.
    catalogue.ContentHashes[0] = catalogue.ContentHashes[1] = { 1, 2, 3 };
    ASSERT_TRUE(QFile::remove(QFile::decodeName(first)) && QFile::remove(QFile::decodeName(second)));
    EXPECT_EQ(SearchSimilarity(catalogue, 0, 1, true, false), std::optional<double>(100));
    catalogue.ContentHashes[1] = { 4 };
    EXPECT_FALSE(SearchSimilarity(catalogue, 0, 1, true, false));
}

TEST(MarkingRules, NeverMarkTheLastUnmarkedPictureOfAGroup)
{
    const TCatalogue catalogue
        = MakeTestCatalogue({ { "/a/0" }, { "/a/1", 1 }, { "/a/2", 2, 100, 100, 1000, 5 } }, { { 0, 1 }, { 1, 2 } });
    TPictureMarks marks;
    marks.Reset(catalogue);
    ASSERT_EQ(marks.Mark(2), TMarkResult::Done);
    // The rule's keeper is marked already: nothing may count as its copy.
    TRuleOutcome outcome = ApplyMarkingRule(catalogue, marks, keep(TKeepRule::Newest));
    EXPECT_TRUE(outcome.Marks.empty());
    EXPECT_EQ(outcome.GroupsTooUnlike, 1);
    // A hand mark stays; the rule's keeper is the picture left unmarked.
    marks.Unmark(2);
    ASSERT_EQ(marks.Mark(1), TMarkResult::Done);
    outcome = ApplyMarkingRule(catalogue, marks, keep(TKeepRule::Oldest));
    EXPECT_EQ(marks.Marked(), (std::vector<int32_t> { 1, 2 }));
    EXPECT_EQ(outcome.Marks.size(), 1u);
}

TEST(MarkingRules, ParsesTheCommandLineNames)
{
    EXPECT_EQ(ParseKeepRule("largest")->Keep, TKeepRule::Largest);
    EXPECT_EQ(ParseKeepRule("inside:/ref")->Folder, QByteArray("/ref"));
    EXPECT_FALSE(ParseKeepRule("inside:"));
    EXPECT_FALSE(ParseKeepRule("biggest"));
}
