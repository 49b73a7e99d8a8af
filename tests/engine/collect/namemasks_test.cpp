#include "engine/collect/namemasks.h"
#include "settings/picturetypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <fnmatch.h>
#include <locale.h>

namespace
{

std::vector<QByteArray> everyMask()
{
    std::vector<QByteArray> masks;
    for (const TPictureType &type : PictureTypes())
        for (const QByteArray &mask : MasksOf(type))
            masks.push_back(mask);
    return masks;
}

// The first mask fnmatch itself matches, in the C locale.
std::optional<std::size_t> firstFnmatch(const std::vector<QByteArray> &masks, const QByteArray &name)
{
    const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const locale_t previous = uselocale(c);
    std::optional<std::size_t> first;
    for (std::size_t index = 0; index < masks.size() && !first; ++index)
        if (fnmatch(masks[index].constData(), name.constData(), FNM_CASEFOLD) == 0)
            first = index;
    uselocale(previous);
    freelocale(c);
    return first;
}

}

TEST(NameMasks, TheTypesUseNoWildcardButTheStar)
{
    for (const QByteArray &mask : everyMask())
        EXPECT_TRUE(std::all_of(mask.begin(), mask.end(), [](char c) { return c > 0 && !strchr("?[\\", c); }))
            << mask.constData();
}

TEST(NameMasks, FirstMatchIsWhatFnmatchFindsForTrickyNames)
{
    const std::vector<QByteArray> masks = everyMask();
    const TNameMasks matcher(masks);
    for (const QByteArray &name : std::vector<QByteArray> { ".png", "png", "a.PnG", "a.png.", "a.jp.png", "a.jpeg.tiff",
             "a.jpgg", "a.jpgx", "x.JPxxG", "a.jpg.jpg", ".jpg", "a.jp", "a.Tif", "a.TIFF.bak", "a.ti", "x.HEIC",
             "x.heıc", "x.pn\xc7", "\xff.BMP", "a.bm", "", "a*.png", "[a].tif", "a.CR2", "b.Cr3", "c.dng.", "d.jxl" }) {
        SCOPED_TRACE(name.toHex().constData());
        EXPECT_EQ(matcher.FirstMatch(name), firstFnmatch(masks, name));
    }
}
