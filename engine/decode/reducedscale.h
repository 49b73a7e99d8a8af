#pragma once

#include "engine/decode/picturereader.h"

#include <QSize>

// How far a source that can be decoded at several scales (a WebP, a RAW's JPEG preview) is reduced
// for signing: never further than the request allows (SigningRequest: what the JPEG path decodes
// of a JPEG of the picture's full size at its smallest scale, 1/8), so that its signature holds up
// against the JPEG's.

// The least size on each side for a picture of `full` size under `request`: its MaxReduction-th
// part, rounded up as the JPEG path rounds, and at least MinSide.
QSize ReducedSourceFloor(QSize full, const TPictureRequest &request);

// The largest JPEG scale denominator (8, 4, 2 or 1) at which `source` still covers `floor`; 0 when
// even the whole of it does not.
int ReducingScale(QSize source, QSize floor);
