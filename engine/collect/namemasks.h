#pragma once

#include <QByteArray>

#include <locale.h>

#include <optional>
#include <vector>

// The file-name masks of the searched picture types ("*.png", "*.jp*g"), in order. A name matches
// a mask as fnmatch with FNM_CASEFOLD matches it in the C locale: case is folded byte-wise, so names
// that are not valid in the user's encoding match alike and a Turkish dotless i does not hide "*.TIF".
class TNameMasks
{
public:
    explicit TNameMasks(const std::vector<QByteArray> &masks);
    ~TNameMasks();
    TNameMasks(const TNameMasks &) = delete;
    TNameMasks &operator=(const TNameMasks &) = delete;

    // Index of the first mask that `name` matches; nothing when it matches none.
    std::optional<std::size_t> FirstMatch(const QByteArray &name) const;

private:
    struct Mask {
        QByteArray Pattern;
        // The ASCII tail of a mask that is "*" followed by no other wildcard, such as ".png": such a
        // mask matches exactly the names that end with it, which needs no pattern matcher.
        std::optional<QByteArray> Suffix;
    };
    std::vector<Mask> m_masks;
    locale_t m_cLocale;
};
