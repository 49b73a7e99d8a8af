#pragma once

#include "engine/base/catalogue.h"

#include <vector>

// The pictures joined by the result pairs, directly or through a chain, form one group each.
// Pictures named by no pair belong to no group. Groups are numbered in the order of their first
// picture in the catalogue and list their pictures in catalogue order, so the same results always
// give the same groups.
class TPictureGroups
{
public:
    void Build(const TCatalogue &catalogue);

    // The group of `picture`, or -1 when no pair names it.
    int32_t GroupOf(int32_t picture) const;
    const std::vector<int32_t> &Members(int32_t group) const { return m_members[size_t(group)]; }
    int32_t Count() const { return int32_t(m_members.size()); }

private:
    std::vector<int32_t> m_groupOf;
    std::vector<std::vector<int32_t>> m_members;
};
