#pragma once

#include "engine/base/catalogue.h"
#include "engine/store/contenthash.h"

#include <QByteArray>

#include <optional>
#include <unordered_set>
#include <vector>

// The pairs a search does not make although the pictures match: two pictures of reference
// folders, and two contents the person dismissed together. The duplicate then takes its nearest
// earlier match that is not ruled out, so everything else pairs exactly as before.

// Sets the catalogue up for a search: which pictures lie in `referenceFolders` (full paths ending
// with "/") and which decisions it honours (none when `dismissed` is null or empty). With neither,
// the catalogue holds nothing of the kind and the search pays nothing for it.
void SetPairExclusions(TCatalogue &catalogue, const std::vector<QByteArray> &referenceFolders,
    std::shared_ptr<const TDismissedPairs> dismissed);

// Whether the search may not pair pictures `a` and `b`, whose contents hash to `hashA` and `hashB`
// where known. An unknown hash rules nothing out.
bool PairRuledOut(
    const TCatalogue &catalogue, int32_t a, int32_t b, const TContentHash *hashA, const TContentHash *hashB);

// The comparison loop's view: per picture, the hash of the content its signature came from, and
// the hashes of the pictures that have none read from their files when a decision needs them.
class TSearchExclusions
{
public:
    using TContentHashes = std::vector<std::optional<TContentHash>>;

    TSearchExclusions(const TCatalogue &catalogue, TContentHashes &contentHashes);

    // Whether anything is ruled out at all; when not, nothing below need be asked.
    bool IsActive() const { return m_active; }
    // Whether the search may not pair `earlier` with `current`.
    bool Excludes(int32_t earlier, int32_t current);
    // Whether a match of `earlier` with `current` (whose hash is `currentHash`) might be ruled out,
    // from what is known without reading a file; safe from several threads while nothing is hashed.
    bool MayExclude(int32_t earlier, int32_t current, const std::optional<TContentHash> &currentHash) const;
    // The hash of `picture`'s content, read from its file when its signature came without one;
    // null when the file cannot be read.
    const TContentHash *HashOf(int32_t picture);

private:
    const TCatalogue &m_catalogue;
    TContentHashes &m_contentHashes;
    const bool m_active;
    // Pictures whose files could not be read to hash, so that they are not read again.
    std::unordered_set<int32_t> m_unreadable;
};
