#include "engine/base/picturesize.h"

#include "settings/settings.h"

#include <algorithm>

namespace
{

constexpr int kEighthScaleBound = 1000;
constexpr int kQuarterScaleBound = 500;

}

int ChooseScaleDenominator(int Height, int Width, const TSettings &settings)
{
    if (Height > std::max(settings.MinPicHeight, kEighthScaleBound)
        && Width > std::max(settings.MinPicWidth, kEighthScaleBound))
        return 8;
    if (Height > std::max(settings.MinPicHeight, kQuarterScaleBound)
        && Width > std::max(settings.MinPicWidth, kQuarterScaleBound))
        return 4;
    return 1;
}

bool PassesSizeFilter(int Height, int Width, const TSettings &settings)
{
    return Height >= std::max(kMinPictureSide, settings.MinPicHeight)
        && Width >= std::max(kMinPictureSide, settings.MinPicWidth);
}
