#include "engine/cleanup/dismissedpairs.h"

#include <cstring>

void TDismissedPairs::Add(const TContentHash &a, const TContentHash &b)
{
    const TPair pair = ordered(a, b);
    if (!m_pairs.insert(pair).second)
        return;
    m_contents.insert(pair.Low);
    m_contents.insert(pair.High);
}

void TDismissedPairs::Remove(const TContentHash &a, const TContentHash &b)
{
    const TPair pair = ordered(a, b);
    if (m_pairs.erase(pair) == 0)
        return;
    for (const TContentHash &content : { pair.Low, pair.High })
        m_contents.erase(m_contents.find(content));
}

bool TDismissedPairs::Contains(const TContentHash &a, const TContentHash &b) const
{
    return m_pairs.count(ordered(a, b)) != 0;
}

TDismissedPairs::TPair TDismissedPairs::ordered(const TContentHash &a, const TContentHash &b)
{
    return a < b ? TPair { a, b } : TPair { b, a };
}

std::size_t TDismissedPairs::THashOfContent::operator()(const TContentHash &content) const
{
    // The bytes of a SHA-256 are as good a hash as any.
    std::size_t value = 0;
    std::memcpy(&value, content.data(), sizeof value);
    return value;
}

std::size_t TDismissedPairs::THashOfPair::operator()(const TPair &pair) const
{
    const THashOfContent hash;
    return hash(pair.Low) ^ (hash(pair.High) * 31);
}
