#include "engine/decode/reducedscale.h"

#include "engine/decode/jpegdetour.h"

#include <algorithm>

namespace
{

constexpr int kSmallestJpegScale = 8;

}

QSize ReducedSourceFloor(QSize full, int minSide)
{
    return QSize(std::max(minSide, ScaledSide(full.width(), kSmallestJpegScale)),
        std::max(minSide, ScaledSide(full.height(), kSmallestJpegScale)));
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
