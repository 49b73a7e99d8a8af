#pragma once

#include "engine/decode/picturereader.h"

#include <QSize>

// How far a source that can be decoded at several scales (a WebP, a RAW's JPEG preview) is reduced
// for signing: never further than the request allows (SigningRequest: what the JPEG path decodes
// of a JPEG of the picture's full size at its smallest scale, 1/8), so that its signature holds up
// against the JPEG's.

// `size` at the JPEG scale `scaleDenominator`, rounded up as the JPEG path rounds.
QSize ScaledSize(QSize size, int scaleDenominator);

// The largest JPEG scale denominator (8, 4, 2 or 1) at which `source`, showing the whole of a
// picture of `full` size, still does for `request`: no smaller than its MaxReduction-th part and
// MinSide, and ReducedPictureFits. 0 when at none.
int FittingScale(QSize source, QSize full, const TPictureRequest &request);
