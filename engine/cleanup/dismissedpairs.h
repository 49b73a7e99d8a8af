#pragma once

#include "engine/store/contenthash.h"

#include <cstddef>
#include <unordered_set>

// Pairs of file contents the person said are not duplicates, either way round. A content paired
// with itself is a pair too: its copies are then never paired with each other.
class TDismissedPairs
{
public:
    void Add(const TContentHash &a, const TContentHash &b);
    void Remove(const TContentHash &a, const TContentHash &b);
    bool Contains(const TContentHash &a, const TContentHash &b) const;
    // Whether `content` is one of a dismissed pair: only such a content needs its pairs checked.
    bool Involves(const TContentHash &content) const { return m_contents.count(content) != 0; }
    bool IsEmpty() const { return m_pairs.empty(); }
    std::size_t Count() const { return m_pairs.size(); }

private:
    struct TPair {
        TContentHash Low {};
        TContentHash High {};
        friend bool operator==(const TPair &, const TPair &) = default;
    };
    struct THashOfContent {
        std::size_t operator()(const TContentHash &content) const;
    };
    struct THashOfPair {
        std::size_t operator()(const TPair &pair) const;
    };
    static TPair ordered(const TContentHash &a, const TContentHash &b);

    std::unordered_set<TPair, THashOfPair> m_pairs;
    std::unordered_multiset<TContentHash, THashOfContent> m_contents;
};
