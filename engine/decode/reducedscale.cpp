#include "engine/decode/reducedscale.h"

#include "engine/decode/jpegdetour.h"

#include <algorithm>

namespace
{

constexpr int kSmallestJpegScale = 8;

// The least size on each side for a picture of `full` size under `request`: its MaxReduction-th
// part, rounded up as the JPEG path rounds, and at least MinSide.
QSize reducedSourceFloor(QSize full, const TPictureRequest &request)
{
    const int reduction = std::max(request.MaxReduction, 1);
    return QSize(std::max(request.MinSide, ScaledSide(full.width(), reduction)),
        std::max(request.MinSide, ScaledSide(full.height(), reduction)));
}

// The largest JPEG scale denominator at which `source` still covers `floor`; 0 when even the whole
// of it does not.
int reducingScale(QSize source, QSize floor)
{
    for (int denominator = kSmallestJpegScale; denominator >= 1; denominator /= 2) {
        const QSize scaled = ScaledSize(source, denominator);
        if (scaled.width() >= floor.width() && scaled.height() >= floor.height())
            return denominator;
    }
    return 0;
}

}

QSize ScaledSize(QSize size, int scaleDenominator)
{
    return QSize(ScaledSide(size.width(), scaleDenominator), ScaledSide(size.height(), scaleDenominator));
}

int FittingScale(QSize source, QSize full, const TPictureRequest &request)
{
    const int scale = reducingScale(source, reducedSourceFloor(full, request));
    return scale > 0 && ReducedPictureFits(ScaledSize(source, scale), full, request) ? scale : 0;
}
