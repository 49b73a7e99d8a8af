#include "engine/cleanup/picturegroups.h"

#include <numeric>
#include <utility>

namespace
{

// Union-find with path halving and union by size.
class TDisjointSets
{
public:
    explicit TDisjointSets(size_t count)
        : m_parent(count)
        , m_size(count, 1)
    {
        std::iota(m_parent.begin(), m_parent.end(), 0);
    }

    int32_t Find(int32_t item)
    {
        while (m_parent[size_t(item)] != item) {
            m_parent[size_t(item)] = m_parent[size_t(m_parent[size_t(item)])];
            item = m_parent[size_t(item)];
        }
        return item;
    }

    void Join(int32_t a, int32_t b)
    {
        a = Find(a);
        b = Find(b);
        if (a == b)
            return;
        if (m_size[size_t(a)] < m_size[size_t(b)])
            std::swap(a, b);
        m_parent[size_t(b)] = a;
        m_size[size_t(a)] += m_size[size_t(b)];
    }

private:
    std::vector<int32_t> m_parent;
    std::vector<int32_t> m_size;
};

} // namespace

void TPictureGroups::Build(const TCatalogue &catalogue)
{
    const size_t pictures = catalogue.Pictures.size();
    TDisjointSets sets(pictures);
    std::vector<bool> paired(pictures, false);
    for (int32_t i = 0; i <= catalogue.PairsLast; ++i) {
        const TPicturePair &pair = catalogue.Pairs[size_t(i)];
        sets.Join(pair.PicIndex1, pair.PicIndex2);
        paired[size_t(pair.PicIndex1)] = true;
        paired[size_t(pair.PicIndex2)] = true;
    }
    m_groupOf.assign(pictures, -1);
    m_members.clear();
    std::vector<int32_t> groupOfRoot(pictures, -1);
    for (size_t picture = 0; picture < pictures; ++picture) {
        if (!paired[picture])
            continue;
        int32_t &group = groupOfRoot[size_t(sets.Find(int32_t(picture)))];
        if (group < 0) {
            group = int32_t(m_members.size());
            m_members.emplace_back();
        }
        m_groupOf[picture] = group;
        m_members[size_t(group)].push_back(int32_t(picture));
    }
}

int32_t TPictureGroups::GroupOf(int32_t picture) const
{
    return picture >= 0 && size_t(picture) < m_groupOf.size() ? m_groupOf[size_t(picture)] : -1;
}
