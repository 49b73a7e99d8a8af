#include "engine/collect/namemasks.h"

#include <QByteArrayView>

#include <algorithm>

#include <fnmatch.h>

namespace
{

std::optional<QByteArray> literalSuffix(const QByteArray &mask)
{
    if (!mask.startsWith('*'))
        return std::nullopt;
    const QByteArray tail = mask.mid(1);
    const bool literal = std::all_of(tail.begin(), tail.end(),
        [](char c) { return uchar(c) < 0x80 && c != '*' && c != '?' && c != '[' && c != '\\'; });
    return literal ? std::optional(tail) : std::nullopt;
}

// Switches the calling thread to another locale while it lives.
class LocaleScope
{
public:
    explicit LocaleScope(locale_t locale)
        : m_previous(locale ? uselocale(locale) : locale_t(0))
    {
    }
    ~LocaleScope()
    {
        if (m_previous)
            uselocale(m_previous);
    }
    LocaleScope(const LocaleScope &) = delete;
    LocaleScope &operator=(const LocaleScope &) = delete;

private:
    locale_t m_previous;
};

}

TNameMasks::TNameMasks(const std::vector<QByteArray> &masks)
    : m_cLocale(newlocale(LC_ALL_MASK, "C", locale_t(0)))
{
    for (const QByteArray &mask : masks)
        m_masks.push_back({ mask, literalSuffix(mask) });
}

TNameMasks::~TNameMasks()
{
    if (m_cLocale)
        freelocale(m_cLocale);
}

std::optional<std::size_t> TNameMasks::FirstMatch(const QByteArray &name) const
{
    for (std::size_t index = 0; index < m_masks.size(); ++index) {
        const Mask &mask = m_masks[index];
        bool matches = false;
        if (mask.Suffix) {
            // The suffix is ASCII, and no other byte folds to an ASCII letter, so Qt's Latin-1
            // folding compares here as the C locale does.
            matches = name.size() >= mask.Suffix->size()
                && QByteArrayView(name).last(mask.Suffix->size()).compare(*mask.Suffix, Qt::CaseInsensitive) == 0;
        } else {
            const LocaleScope byteWiseMatching(m_cLocale);
            matches = fnmatch(mask.Pattern.constData(), name.constData(), FNM_CASEFOLD) == 0;
        }
        if (matches)
            return index;
    }
    return std::nullopt;
}
