#include "engine/collect/namemasks.h"

#include <QByteArrayView>
#include <QList>

namespace
{

char foldCase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Whether `text` starts with `lowerPart`, ASCII letters folded.
bool startsWithPart(QByteArrayView text, QByteArrayView lowerPart)
{
    if (text.size() < lowerPart.size())
        return false;
    for (qsizetype i = 0; i < lowerPart.size(); ++i)
        if (foldCase(text[i]) != lowerPart[i])
            return false;
    return true;
}

// Whether `name` matches the mask cut into `parts`: the first part begins the name, the last ends
// it, and the ones between follow in order. Taking each middle part where it first fits leaves the
// most room to the rest, so no other placement needs to be tried.
bool matches(const std::vector<QByteArray> &parts, QByteArrayView name)
{
    if (parts.size() == 1)
        return name.size() == parts.front().size() && startsWithPart(name, parts.front());
    const QByteArray &head = parts.front();
    const QByteArray &tail = parts.back();
    if (name.size() < head.size() + tail.size() || !startsWithPart(name, head)
        || !startsWithPart(name.last(tail.size()), tail))
        return false;
    QByteArrayView rest = name.sliced(head.size(), name.size() - head.size() - tail.size());
    for (std::size_t part = 1; part + 1 < parts.size(); ++part) {
        while (!rest.isEmpty() && !startsWithPart(rest, parts[part]))
            rest = rest.sliced(1);
        if (rest.size() < parts[part].size())
            return false;
        rest = rest.sliced(parts[part].size());
    }
    return true;
}

}

TNameMasks::TNameMasks(const std::vector<QByteArray> &masks)
{
    for (const QByteArray &mask : masks) {
        const QList<QByteArray> parts = mask.toLower().split('*');
        m_masks.emplace_back(parts.begin(), parts.end());
    }
}

std::optional<std::size_t> TNameMasks::FirstMatch(const QByteArray &name) const
{
    for (std::size_t index = 0; index < m_masks.size(); ++index)
        if (matches(m_masks[index], name))
            return index;
    return std::nullopt;
}
