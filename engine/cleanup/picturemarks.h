#pragma once

#include "engine/base/catalogue.h"
#include "engine/cleanup/picturegroups.h"

#include <vector>

// Which pictures of the results are marked for a bulk action, and which picture of its group
// each marked one is a copy of. Marks belong to pictures, not rows, so they survive sorting and
// swapping. A group never has all its pictures marked, and a picture of a reference folder is
// never marked.
class TPictureMarks
{
public:
    enum class TMarkResult { Done, WholeGroup, NotListed, Reference };

    // Starts over for new results: no marks, groups from the pairs.
    void Reset(const TCatalogue &catalogue);
    // Regroups after pictures left the results; a picture no pair names any longer loses its mark,
    // since it is no longer shown.
    void Refresh(const TCatalogue &catalogue);

    const TPictureGroups &Groups() const { return m_groups; }
    bool IsMarked(int32_t picture) const;
    int32_t MarkedCount() const { return m_markedCount; }
    // The marked pictures in catalogue order.
    std::vector<int32_t> Marked() const;

    // Marks `picture` as a copy of `keeper` (-1: whichever picture of its group stays unmarked).
    // Refused when it would leave its group without an unmarked picture, and for a picture of a
    // reference folder.
    TMarkResult Mark(int32_t picture, int32_t keeper = -1);
    void Unmark(int32_t picture);
    void ClearAll();

    // The picture a marked picture is kept in place of: the one recorded when it was marked while
    // that one stays unmarked and listed, else the first unmarked picture of its group; -1 when
    // there is none.
    int32_t KeeperOf(int32_t picture) const;

private:
    int32_t UnmarkedInGroup(int32_t group) const;
    void CountUnmarked();

    TPictureGroups m_groups;
    std::vector<int32_t> m_unmarkedCount;
    std::vector<bool> m_marked;
    std::vector<bool> m_reference;
    std::vector<int32_t> m_keeper;
    int32_t m_markedCount = 0;
};
