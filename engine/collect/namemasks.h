#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

// The file-name masks of the searched picture types ("*.png", "*.jp*g"), in order. A mask is made
// of ASCII characters and "*", which stands for any run of bytes: the only wildcard the picture
// types use. A name matches a mask as fnmatch with FNM_CASEFOLD matches it in the C locale: only
// ASCII letters fold, so names that are not valid in the user's encoding match alike and a Turkish
// dotless i does not hide "*.TIF". Matched here rather than by fnmatch, whose generality every
// file would pay for once per mask until one fits.
class TNameMasks
{
public:
    explicit TNameMasks(const std::vector<QByteArray> &masks);

    // Index of the first mask that `name` matches; nothing when it matches none.
    std::optional<std::size_t> FirstMatch(const QByteArray &name) const;

private:
    // A mask cut at its stars, in lower case: "*.jp*g" is "", ".jp", "g". Without a star, the
    // only part is the whole name.
    using Parts = std::vector<QByteArray>;
    std::vector<Parts> m_masks;
};
