#include "engine/collect/namemasks.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <locale.h>

namespace
{

const std::vector<QByteArray> kMasks { "*.bmp", "*.jp*g", "*.png", "*.tif*", "*.heic" };

// The first mask fnmatch itself matches, in the C locale.
std::optional<std::size_t> firstFnmatch(const QByteArray &name)
{
    const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const locale_t previous = uselocale(c);
    std::optional<std::size_t> first;
    for (std::size_t index = 0; index < kMasks.size() && !first; ++index)
        if (fnmatch(kMasks[index].constData(), name.constData(), FNM_CASEFOLD) == 0)
            first = index;
    uselocale(previous);
    freelocale(c);
    return first;
}

}

TEST(NameMasks, FirstMatchIsWhatFnmatchFindsForTrickyNames)
{
    const TNameMasks masks(kMasks);
    for (const QByteArray &name :
        std::vector<QByteArray> { ".png", "png", "a.PnG", "a.png.", "a.jp.png", "a.jpeg.tiff", "x.HEIC", "x.heıc",
            "x.he\xc3\x8d"
            "c",
            "x.pn\xc7", "\xff.BMP", "a.bm", "", "a*.png", "[a].tif" }) {
        SCOPED_TRACE(name.toHex().constData());
        EXPECT_EQ(masks.FirstMatch(name), firstFnmatch(name));
    }
    EXPECT_EQ(masks.FirstMatch("a.jp.png"), 1u);
}
