#include "engine/compare/pairexclusions.h"

#include "engine/cleanup/decisionstore.h"
#include "engine/cleanup/dismissedpairs.h"

namespace
{
bool bothInReferenceFolders(const TCatalogue &catalogue, int32_t a, int32_t b)
{
    return IsReferencePicture(catalogue, a) && IsReferencePicture(catalogue, b);
}
}

void SetPairExclusions(TCatalogue &catalogue, const std::vector<QByteArray> &referenceFolders,
    std::shared_ptr<const TDismissedPairs> dismissed)
{
    catalogue.ReferencePictures.clear();
    catalogue.Dismissed.reset();
    if (dismissed && !dismissed->IsEmpty())
        catalogue.Dismissed = std::move(dismissed);
    if (referenceFolders.empty())
        return;
    std::vector<bool> referencePaths(catalogue.Paths.size(), false);
    for (std::size_t path = 0; path < catalogue.Paths.size(); ++path)
        for (const QByteArray &folder : referenceFolders)
            referencePaths[path] = referencePaths[path] || catalogue.Paths[path].startsWith(folder);
    catalogue.ReferencePictures.assign(catalogue.Pictures.size(), false);
    for (std::size_t picture = 0; picture < catalogue.Pictures.size(); ++picture) {
        const std::size_t path = std::size_t(catalogue.Pictures[picture].PathInd);
        catalogue.ReferencePictures[picture] = path < referencePaths.size() && referencePaths[path];
    }
}

bool PairRuledOut(
    const TCatalogue &catalogue, int32_t a, int32_t b, const TContentHash *hashA, const TContentHash *hashB)
{
    if (bothInReferenceFolders(catalogue, a, b))
        return true;
    return catalogue.Dismissed && hashA && hashB && catalogue.Dismissed->Contains(*hashA, *hashB);
}

TSearchExclusions::TSearchExclusions(const TCatalogue &catalogue, TContentHashes &contentHashes)
    : m_catalogue(catalogue)
    , m_contentHashes(contentHashes)
    , m_active(catalogue.Dismissed || !catalogue.ReferencePictures.empty())
{
}

bool TSearchExclusions::Excludes(int32_t earlier, int32_t current)
{
    if (bothInReferenceFolders(m_catalogue, earlier, current))
        return true;
    if (!m_catalogue.Dismissed)
        return false;
    // Only a content that is one of a dismissed pair needs the other's hash.
    const TContentHash *currentHash = HashOf(current);
    if (!currentHash || !m_catalogue.Dismissed->Involves(*currentHash))
        return false;
    return PairRuledOut(m_catalogue, earlier, current, HashOf(earlier), currentHash);
}

bool TSearchExclusions::MayExclude(
    int32_t earlier, int32_t current, const std::optional<TContentHash> &currentHash) const
{
    if (bothInReferenceFolders(m_catalogue, earlier, current))
        return true;
    return m_catalogue.Dismissed && (!currentHash || m_catalogue.Dismissed->Involves(*currentHash));
}

const TContentHash *TSearchExclusions::HashOf(int32_t picture)
{
    std::optional<TContentHash> &hash = m_contentHashes[std::size_t(picture)];
    if (!hash && m_unreadable.count(picture) == 0) {
        // Signed without the store: hashed here, once, and only as a decision needs it. A file
        // that cannot be read rules nothing out.
        QString ignored;
        hash = HashOfFile(FullPath(m_catalogue, picture), &ignored);
        if (!hash)
            m_unreadable.insert(picture);
    }
    return hash ? &*hash : nullptr;
}
