#include "engine/cleanup/markingrules.h"

#include "engine/compare/pairexclusions.h"
#include "engine/compare/pairing.h"
#include "engine/compare/processing.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>

namespace
{

// A picture's matrices as the search looks them up when it is the later of two. Loading and
// unloading write only the picture's own positions, much less than clearing the whole tables.
class TPictureMatrices
{
public:
    // With `transposed`, the matrices can turn the picture as a search for turned copies does.
    void Load(const TPicInfo &picture, const TOrientedCoefs *transposed)
    {
        write(m_unturned, picture.WaveletCoefsPos, picture.WaveletCoefsNeg, 1);
        m_loaded = &picture;
        m_transposedLists = transposed;
        if (transposed)
            write(m_transposed, transposed->Positive, transposed->Negative, 1);
    }
    void Unload()
    {
        write(m_unturned, m_loaded->WaveletCoefsPos, m_loaded->WaveletCoefsNeg, 0);
        if (m_transposedLists)
            write(m_transposed, m_transposedLists->Positive, m_transposedLists->Negative, 0);
    }
    TCurrentMatrices Matrices(bool turned) const
    {
        return { m_unturned, turned && m_transposedLists ? &m_transposed : nullptr };
    }

private:
    static void write(TSignMatrix &matrix, const TWaveletCoefs &positive, const TWaveletCoefs &negative, int8_t sign)
    {
        for (int j = 0; j < kSignatureSize; ++j) {
            matrix[positive.PackedAt(j)] = sign;
            matrix[negative.PackedAt(j)] = int8_t(-sign);
        }
        // Where the lists end: an empty entry, which never matches.
        matrix[0] = 0;
    }

    TSignMatrix m_unturned {};
    TSignMatrix m_transposed {};
    const TPicInfo *m_loaded = nullptr;
    const TOrientedCoefs *m_transposedLists = nullptr;
};

// Judges two pictures of the results again as the search that made them did.
class TSearchJudge
{
public:
    TSearchJudge(const TCatalogue &catalogue, bool onlyIdentical, bool turnedCopies)
        : m_catalogue(catalogue)
        , m_onlyIdentical(onlyIdentical)
        , m_turnedCopies(turnedCopies)
    {
    }

    // The transposed lists the search turned `picture` by as the later of two, if it did.
    const TOrientedCoefs *TransposedLists(int32_t picture) const
    {
        if (!m_turnedCopies)
            return nullptr;
        const auto found = m_catalogue.TransposedLists.find(picture);
        return found == m_catalogue.TransposedLists.end() ? nullptr : &found->second;
    }

    void Load(TPictureMatrices &matrices, int32_t picture) const
    {
        matrices.Load(m_catalogue.Pictures[size_t(picture)], TransposedLists(picture));
    }

    // The similarity at which the search pairs `lookedUp` with `owner`, looking the first up in
    // `matrices`, the second's; nothing when it does not pair them.
    std::optional<double> Similarity(int32_t lookedUp, int32_t owner, const TCurrentMatrices &matrices) const
    {
        const TPicInfo &a = m_catalogue.Pictures[size_t(lookedUp)];
        const TPicInfo &b = m_catalogue.Pictures[size_t(owner)];
        // Unsigned, the owner has nothing to look up in.
        if (b.CCVStage != TCCVStage::Full || ruledOut(lookedUp, owner))
            return std::nullopt;
        const TPairVerdict verdict = JudgePair(a, b, matrices, m_onlyIdentical, [&] {
            return a.Size == b.Size && sameContent(lookedUp, owner) ? TContentsCompared::Identical
                                                                    : TContentsCompared::Different;
        });
        if (!verdict.Pairing)
            return std::nullopt;
        return verdict.Pairing->Similarity;
    }

private:
    bool ruledOut(int32_t a, int32_t b) const
    {
        const auto hashA = m_catalogue.ContentHashes.find(a);
        const auto hashB = m_catalogue.ContentHashes.find(b);
        const auto end = m_catalogue.ContentHashes.end();
        return PairRuledOut(
            m_catalogue, a, b, hashA == end ? nullptr : &hashA->second, hashB == end ? nullptr : &hashB->second);
    }

    // By the hashes the search kept where it has both, so that neither file is read again.
    bool sameContent(int32_t a, int32_t b) const
    {
        const auto hashA = m_catalogue.ContentHashes.find(a);
        const auto hashB = m_catalogue.ContentHashes.find(b);
        if (hashA != m_catalogue.ContentHashes.end() && hashB != m_catalogue.ContentHashes.end())
            return hashA->second == hashB->second;
        return FilesIdentical(FullPath(m_catalogue, a), FullPath(m_catalogue, b), {});
    }

    const TCatalogue &m_catalogue;
    bool m_onlyIdentical;
    bool m_turnedCopies;
};

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

std::optional<double> SearchSimilarity(
    const TCatalogue &catalogue, int32_t a, int32_t b, bool onlyIdentical, bool turnedCopies)
{
    static thread_local TPictureMatrices matrices;
    const TSearchJudge judge(catalogue, onlyIdentical, turnedCopies);
    judge.Load(matrices, std::max(a, b));
    const std::optional<double> similarity = judge.Similarity(std::min(a, b), std::max(a, b), matrices.Matrices(true));
    matrices.Unload();
    return similarity;
}

TRuleOutcome ApplyMarkingRule(const TCatalogue &catalogue, TPictureMarks &marks, const TMarkingRule &rule)
{
    TRuleOutcome outcome;
    const TPictureGroups &groups = marks.Groups();
    const TSearchJudge judge(catalogue, rule.OnlyIdentical, rule.TurnedCopies);
    // One set of matrices per kept picture, as an InsideFolder group may keep several, and one for
    // a picture the search turned, when a kept picture comes before it.
    std::vector<TPictureMatrices> keptMatrices(1);
    const auto turnedMatrices = std::make_unique<TPictureMatrices>();
    for (int32_t group = 0; group < groups.Count(); ++group) {
        const std::vector<int32_t> &members = groups.Members(group);
        // A picture of a reference folder is always kept, and is the keeper of a rule that picks one.
        std::vector<int32_t> kept;
        std::copy_if(members.begin(), members.end(), std::back_inserter(kept),
            [&](int32_t picture) { return IsReferencePicture(catalogue, picture); });
        if (rule.Keep == TKeepRule::InsideFolder) {
            for (const int32_t picture : members)
                if (FullPath(catalogue, picture).startsWith(rule.Folder) && !IsReferencePicture(catalogue, picture))
                    kept.push_back(picture);
            if (kept.empty()) {
                ++outcome.GroupsWithoutReference;
                continue;
            }
        } else if (kept.empty()) {
            kept.push_back(chooseKeeper(catalogue, members, rule.Keep));
        }
        // A keeper marked earlier is going, so nothing may be marked as its copy.
        std::erase_if(kept, [&](int32_t picture) { return marks.IsMarked(picture); });
        if (kept.empty()) {
            ++outcome.GroupsTooUnlike;
            continue;
        }
        if (keptMatrices.size() < kept.size())
            keptMatrices.resize(kept.size());
        for (size_t i = 0; i < kept.size(); ++i)
            judge.Load(keptMatrices[i], kept[i]);
        bool markedAny = false;
        for (const int32_t picture : members) {
            if (marks.IsMarked(picture) || std::find(kept.begin(), kept.end(), picture) != kept.end())
                continue;
            // The search looks the earlier picture up in the later one's matrices. Unturned, that
            // counts the positions both hold with the same sign, the same either way round: the
            // kept picture's matrices serve unless this picture comes later and was turned.
            const bool turned = judge.TransposedLists(picture) != nullptr;
            if (turned)
                judge.Load(*turnedMatrices, picture);
            // Against the most similar kept picture; ties to the first found.
            std::optional<double> best;
            int32_t keeper = -1;
            for (size_t i = 0; i < kept.size(); ++i) {
                const std::optional<double> similarity = kept[i] < picture && turned
                    ? judge.Similarity(kept[i], picture, turnedMatrices->Matrices(true))
                    : judge.Similarity(picture, kept[i], keptMatrices[i].Matrices(kept[i] > picture));
                if (similarity && (!best || *similarity > *best)) {
                    best = similarity;
                    keeper = kept[i];
                }
            }
            if (turned)
                turnedMatrices->Unload();
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
            keptMatrices[i].Unload();
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
