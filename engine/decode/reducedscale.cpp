#include "engine/decode/reducedscale.h"

#include "engine/decode/jpegdetour.h"

#include <algorithm>

namespace
{

constexpr int kSmallestJpegScale = 8;

}

QSize ReducedSourceFloor(QSize full, const TPictureRequest &request)
{
    const int reduction = std::max(request.MaxReduction, 1);
    return QSize(std::max(request.MinSide, ScaledSide(full.width(), reduction)),
        std::max(request.MinSide, ScaledSide(full.height(), reduction)));
}

int ReducingScale(QSize source, QSize floor)
{
    for (int denominator = kSmallestJpegScale; denominator >= 1; denominator /= 2) {
        if (ScaledSide(source.width(), denominator) >= floor.width()
            && ScaledSide(source.height(), denominator) >= floor.height())
            return denominator;
    }
    return 0;
}
