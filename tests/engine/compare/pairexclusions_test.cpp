#include "engine/base/searchobserver.h"
#include "engine/cleanup/dismissedpairs.h"
#include "engine/cleanup/picturemarks.h"
#include "engine/compare/processing.h"
#include "settings/settings.h"
#include "signaturefixtures.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace
{

using TPairList = std::vector<std::tuple<int32_t, int32_t, double>>;

const QByteArray kLibrary = "/library/";

class TReadySource : public TSignatureSource
{
public:
    explicit TReadySource(const std::vector<std::optional<TPictureSignature>> &signatures)
        : m_signatures(signatures)
    {
    }
    std::optional<TPictureSignature> Take(int32_t index) override { return m_signatures[std::size_t(index)]; }
    bool IsReady(int32_t) override { return true; }

private:
    const std::vector<std::optional<TPictureSignature>> &m_signatures;
};

TContentHash contentOf(int n) { return HashContent(QByteArray::number(n)); }

// Clustered signatures with near-copies, each with a content hash of its own, so that no file is read.
std::vector<std::optional<TPictureSignature>> makeSignatures(int count)
{
    const std::vector<TSignatureLists> lists = MakeClusteredSignatures(count, 30);
    std::vector<std::optional<TPictureSignature>> signatures(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
        TPictureSignature signature = NumberedSignature(lists[std::size_t(n)], n);
        signature.ContentHash = contentOf(n);
        signatures[std::size_t(n)] = signature;
    }
    return signatures;
}

// Every third picture lies in the library folder.
TCatalogue search(const std::vector<std::optional<TPictureSignature>> &signatures, const TProcessingOptions &options)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, kLibrary);
    AppendPath(catalogue, "/new/");
    for (std::size_t n = 0; n < signatures.size(); ++n) {
        TPicInfo entry;
        entry.FileName = QByteArray::number(qulonglong(n)) + ".jpg";
        AppendPicture(catalogue, entry);
        catalogue.Pictures.back().PathInd = n % 3 == 0 ? 0 : 1;
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    catalogue.SearchStopped = false;
    TSearchObserver observer;
    TReadySource source(signatures);
    ProcessSignedPictures(catalogue, TSettings {}, observer, source, options);
    return catalogue;
}

TPairList pairsOf(const TCatalogue &catalogue)
{
    TPairList pairs;
    for (int32_t p = 0; p <= catalogue.PairsLast; ++p) {
        const TPicturePair &pair = catalogue.Pairs[std::size_t(p)];
        pairs.emplace_back(pair.PicIndex1, pair.PicIndex2, pair.Similarity);
    }
    return pairs;
}

TProcessingOptions optionsWith(
    int threads, bool index, std::shared_ptr<const TDismissedPairs> dismissed, std::vector<QByteArray> references)
{
    TProcessingOptions options;
    options.Threads = threads;
    options.UseIndex = index;
    options.Dismissed = std::move(dismissed);
    options.ReferenceFolders = std::move(references);
    return options;
}

}

TEST(PairExclusions, ARuledOutPairTakesTheNextMatchAlikeWithOrWithoutTheIndex)
{
    const auto signatures = makeSignatures(2000);
    const TPairList plain = pairsOf(search(signatures, optionsWith(1, true, nullptr, {})));
    ASSERT_GT(plain.size(), 150u);
    auto dismissed = std::make_shared<TDismissedPairs>();
    for (std::size_t p = 0; p < plain.size(); p += 4)
        dismissed->Add(contentOf(std::get<0>(plain[p])), contentOf(std::get<1>(plain[p])));

    const TCatalogue scanned = search(signatures, optionsWith(1, false, dismissed, { kLibrary }));
    const TPairList scan = pairsOf(scanned);
    EXPECT_EQ(pairsOf(search(signatures, optionsWith(2, true, dismissed, { kLibrary }))), scan);
    EXPECT_EQ(pairsOf(search(signatures, optionsWith(3, true, dismissed, { kLibrary }))), scan);
    std::set<int32_t> repaired;
    for (const auto &[earlier, later, similarity] : scan) {
        EXPECT_FALSE(dismissed->Contains(contentOf(earlier), contentOf(later))) << earlier << " " << later;
        EXPECT_FALSE(earlier % 3 == 0 && later % 3 == 0) << earlier << " " << later;
        // A later picture whose nearest match was ruled out pairs with one before that match.
        for (const auto &[plainEarlier, plainLater, plainSimilarity] : plain)
            if (plainLater == later && plainEarlier != earlier && earlier < plainEarlier)
                repaired.insert(later);
    }
    EXPECT_GT(repaired.size(), 3u);

    // A picture of a reference folder is never marked by hand.
    TPictureMarks marks;
    marks.Reset(scanned);
    const auto reference
        = std::find_if(scan.begin(), scan.end(), [](const auto &pair) { return std::get<0>(pair) % 3 == 0; });
    ASSERT_NE(reference, scan.end());
    EXPECT_EQ(marks.Mark(std::get<0>(*reference)), TPictureMarks::TMarkResult::Reference);
    EXPECT_EQ(marks.Mark(std::get<1>(*reference)), TPictureMarks::TMarkResult::Done);
}

TEST(PairExclusions, DecisionsAboutOtherContentsChangeNoPair)
{
    const auto signatures = makeSignatures(1500);
    const TPairList plain = pairsOf(search(signatures, optionsWith(1, false, nullptr, {})));
    auto elsewhere = std::make_shared<TDismissedPairs>();
    for (int n = 0; n < 100; ++n)
        elsewhere->Add(contentOf(100000 + n), contentOf(200000 + n));
    EXPECT_EQ(pairsOf(search(signatures, optionsWith(2, true, elsewhere, {}))), plain);
    EXPECT_EQ(pairsOf(search(signatures, optionsWith(2, true, std::make_shared<TDismissedPairs>(), {}))), plain);
    EXPECT_EQ(pairsOf(search(signatures, optionsWith(2, true, nullptr, { "/elsewhere/" }))), plain);
}
