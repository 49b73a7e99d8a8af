#include "engine/cleanup/picturemarks.h"

#include <algorithm>

void TPictureMarks::Reset(const TCatalogue &catalogue)
{
    m_groups.Build(catalogue);
    m_reference = catalogue.ReferencePictures;
    m_marked.assign(catalogue.Pictures.size(), false);
    m_keeper.assign(catalogue.Pictures.size(), -1);
    m_markedCount = 0;
    CountUnmarked();
}

void TPictureMarks::Refresh(const TCatalogue &catalogue)
{
    // Marks of other results mean nothing here.
    if (m_marked.size() != catalogue.Pictures.size()) {
        Reset(catalogue);
        return;
    }
    m_groups.Build(catalogue);
    for (int32_t picture = 0; picture < int32_t(m_marked.size()); ++picture) {
        if (m_marked[size_t(picture)] && m_groups.GroupOf(picture) < 0) {
            m_marked[size_t(picture)] = false;
            m_keeper[size_t(picture)] = -1;
            --m_markedCount;
        }
    }
    CountUnmarked();
}

void TPictureMarks::CountUnmarked()
{
    m_unmarkedCount.assign(size_t(m_groups.Count()), 0);
    for (int32_t group = 0; group < m_groups.Count(); ++group)
        for (const int32_t picture : m_groups.Members(group))
            m_unmarkedCount[size_t(group)] += IsMarked(picture) ? 0 : 1;
}

bool TPictureMarks::IsMarked(int32_t picture) const
{
    return picture >= 0 && size_t(picture) < m_marked.size() && m_marked[size_t(picture)];
}

std::vector<int32_t> TPictureMarks::Marked() const
{
    std::vector<int32_t> marked;
    marked.reserve(size_t(m_markedCount));
    for (int32_t picture = 0; picture < int32_t(m_marked.size()); ++picture)
        if (m_marked[size_t(picture)])
            marked.push_back(picture);
    return marked;
}

int32_t TPictureMarks::UnmarkedInGroup(int32_t group) const
{
    const std::vector<int32_t> &members = m_groups.Members(group);
    const auto found = std::find_if(members.begin(), members.end(), [&](int32_t p) { return !IsMarked(p); });
    return found == members.end() ? -1 : *found;
}

TPictureMarks::TMarkResult TPictureMarks::Mark(int32_t picture, int32_t keeper)
{
    const int32_t group = m_groups.GroupOf(picture);
    if (group < 0)
        return TMarkResult::NotListed;
    if (std::size_t(picture) < m_reference.size() && m_reference[std::size_t(picture)])
        return TMarkResult::Reference;
    if (IsMarked(picture))
        return TMarkResult::Done;
    if (m_unmarkedCount[size_t(group)] < 2)
        return TMarkResult::WholeGroup;
    m_marked[size_t(picture)] = true;
    m_keeper[size_t(picture)] = keeper;
    ++m_markedCount;
    --m_unmarkedCount[size_t(group)];
    return TMarkResult::Done;
}

void TPictureMarks::Unmark(int32_t picture)
{
    if (!IsMarked(picture))
        return;
    m_marked[size_t(picture)] = false;
    m_keeper[size_t(picture)] = -1;
    --m_markedCount;
    ++m_unmarkedCount[size_t(m_groups.GroupOf(picture))];
}

void TPictureMarks::ClearAll()
{
    std::fill(m_marked.begin(), m_marked.end(), false);
    std::fill(m_keeper.begin(), m_keeper.end(), -1);
    m_markedCount = 0;
    CountUnmarked();
}

int32_t TPictureMarks::KeeperOf(int32_t picture) const
{
    const int32_t group = m_groups.GroupOf(picture);
    if (group < 0)
        return -1;
    const int32_t recorded = m_keeper[size_t(picture)];
    if (recorded >= 0 && !IsMarked(recorded) && m_groups.GroupOf(recorded) == group)
        return recorded;
    return UnmarkedInGroup(group);
}
