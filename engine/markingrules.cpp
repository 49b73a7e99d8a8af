#include "engine/markingrules.h"

#include "engine/pictureprocessing.h"
#include "engine/processing.h"

#include <algorithm>
#include <array>

namespace
{

constexpr double kIdenticalSimilarity = 100;

// The signed positions of one picture, laid out for counting another picture's matches in 500
// look-ups, as the search's matrix does.
class TSignedPositions
{
public:
    void Load(const TPicInfo &picture) { Write(picture, 1); }
    void Unload(const TPicInfo &picture) { Write(picture, 0); }

    int Matches(const TPicInfo &other) const
    {
        int matches = 0;
        for (int j = 0; j < kSignatureSize; ++j) {
            const uint16_t positive = other.WaveletCoefsPos.PackedAt(j);
            const uint16_t negative = other.WaveletCoefsNeg.PackedAt(j);
            matches += positive != 0 && m_sign[positive] > 0;
            matches += negative != 0 && m_sign[negative] < 0;
        }
        return matches;
    }

private:
    void Write(const TPicInfo &picture, int8_t magnitude)
    {
        for (int j = 0; j < kSignatureSize; ++j) {
            m_sign[picture.WaveletCoefsPos.PackedAt(j)] = magnitude;
            m_sign[picture.WaveletCoefsNeg.PackedAt(j)] = int8_t(-magnitude);
        }
        m_sign[0] = 0;
    }

    std::array<int8_t, kWorkBitmapSize * kWorkBitmapSize> m_sign {};
};

// The similarity of `other` to the picture loaded into `keeperPositions`, by the scan's rule.
std::optional<double> similarityToKeeper(const TCatalogue &catalogue, int32_t keeper,
    const TSignedPositions &keeperPositions, int32_t other, bool onlyIdentical)
{
    const TPicInfo &a = catalogue.Pictures[size_t(keeper)];
    const TPicInfo &b = catalogue.Pictures[size_t(other)];
    if (a.CCVStage != TCCVStage::Full || b.CCVStage != TCCVStage::Full || IsSameFile(a, b)
        || !AspectRatiosComparable(a, b))
        return std::nullopt;
    // Equal fingerprints only make byte identity possible: files that share a header and differ
    // further on are scored by how they look, as the scan scores them.
    if (a.PreBuffer == b.PreBuffer && a.Size == b.Size
        && FilesIdentical(FullPath(catalogue, keeper), FullPath(catalogue, other), [] { return true; }))
        return kIdenticalSimilarity;
    if (onlyIdentical)
        return std::nullopt;
    return SimilarityOfScore(ScoreOfMatches(keeperPositions.Matches(b)));
}

// The picture a rule keeps in a group; ties go to the first in catalogue order.
int32_t chooseKeeper(const TCatalogue &catalogue, const std::vector<int32_t> &members, TKeepRule rule)
{
    const auto better = [&](const TPicInfo &a, const TPicInfo &b) {
        switch (rule) {
        case TKeepRule::MostPixels:
            return int64_t(a.Width) * a.Height > int64_t(b.Width) * b.Height;
        case TKeepRule::Largest:
            return a.Size > b.Size;
        case TKeepRule::Oldest:
            return a.MTimeNs < b.MTimeNs;
        case TKeepRule::Newest:
            return a.MTimeNs > b.MTimeNs;
        case TKeepRule::InsideFolder:
            break;
        }
        return false;
    };
    int32_t keeper = members.front();
    for (const int32_t picture : members)
        if (better(catalogue.Pictures[size_t(picture)], catalogue.Pictures[size_t(keeper)]))
            keeper = picture;
    return keeper;
}

} // namespace

std::optional<double> SearchSimilarity(const TCatalogue &catalogue, int32_t a, int32_t b, bool onlyIdentical)
{
    static thread_local TSignedPositions positions;
    positions.Load(catalogue.Pictures[size_t(a)]);
    const std::optional<double> similarity = similarityToKeeper(catalogue, a, positions, b, onlyIdentical);
    positions.Unload(catalogue.Pictures[size_t(a)]);
    return similarity;
}

TRuleOutcome ApplyMarkingRule(const TCatalogue &catalogue, TPictureMarks &marks, const TMarkingRule &rule)
{
    TRuleOutcome outcome;
    const TPictureGroups &groups = marks.Groups();
    // One table per kept picture; an InsideFolder group may keep several.
    std::vector<TSignedPositions> tables(1);
    for (int32_t group = 0; group < groups.Count(); ++group) {
        const std::vector<int32_t> &members = groups.Members(group);
        std::vector<int32_t> kept;
        if (rule.Keep == TKeepRule::InsideFolder) {
            for (const int32_t picture : members)
                if (FullPath(catalogue, picture).startsWith(rule.Folder))
                    kept.push_back(picture);
            if (kept.empty()) {
                ++outcome.GroupsWithoutReference;
                continue;
            }
        } else {
            kept.push_back(chooseKeeper(catalogue, members, rule.Keep));
        }
        // A keeper marked earlier is going, so nothing may be marked as its copy.
        std::erase_if(kept, [&](int32_t picture) { return marks.IsMarked(picture); });
        if (kept.empty()) {
            ++outcome.GroupsTooUnlike;
            continue;
        }
        if (tables.size() < kept.size())
            tables.resize(kept.size());
        for (size_t i = 0; i < kept.size(); ++i)
            tables[i].Load(catalogue.Pictures[size_t(kept[i])]);
        bool markedAny = false;
        for (const int32_t picture : members) {
            if (marks.IsMarked(picture) || std::find(kept.begin(), kept.end(), picture) != kept.end())
                continue;
            // Against the most similar kept picture; ties to the first found.
            std::optional<double> best;
            int32_t keeper = -1;
            for (size_t i = 0; i < kept.size(); ++i) {
                const std::optional<double> similarity
                    = similarityToKeeper(catalogue, kept[i], tables[i], picture, rule.OnlyIdentical);
                if (similarity && (!best || *similarity > *best)) {
                    best = similarity;
                    keeper = kept[i];
                }
            }
            if (!best || *best < rule.MinSimilarity) {
                ++outcome.PicturesTooUnlike;
                continue;
            }
            // The keeper stays unmarked, so the group always keeps a picture.
            if (marks.Mark(picture, keeper) != TPictureMarks::TMarkResult::Done)
                continue;
            outcome.Marks.push_back({ picture, keeper, *best });
            markedAny = true;
        }
        for (size_t i = 0; i < kept.size(); ++i)
            tables[i].Unload(catalogue.Pictures[size_t(kept[i])]);
        if (markedAny)
            ++outcome.GroupsMarked;
        else
            ++outcome.GroupsTooUnlike;
    }
    return outcome;
}

std::optional<TMarkingRule> ParseKeepRule(const QByteArray &text)
{
    TMarkingRule rule;
    static const std::array<std::pair<const char *, TKeepRule>, 4> named { {
        { "most-pixels", TKeepRule::MostPixels },
        { "largest", TKeepRule::Largest },
        { "oldest", TKeepRule::Oldest },
        { "newest", TKeepRule::Newest },
    } };
    for (const auto &[name, keep] : named) {
        if (text == name) {
            rule.Keep = keep;
            return rule;
        }
    }
    const QByteArray insidePrefix = "inside:";
    if (!text.startsWith(insidePrefix) || text.size() == insidePrefix.size())
        return std::nullopt;
    rule.Keep = TKeepRule::InsideFolder;
    rule.Folder = text.mid(insidePrefix.size());
    return rule;
}
