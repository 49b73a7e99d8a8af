#pragma once

#include "engine/base/catalogue.h"
#include "engine/sign/signature.h"

#include <array>

constexpr int kOrientationCount = 8;

// The name of an orientation in the command-line tool's output, such as "rotated-90".
const char *OrientationName(TOrientation orientation);

// The lists of a picture in the seven orientations after Unturned, in enum order.
using TTurnedCoefs = std::array<TOrientedCoefs, kOrientationCount - 1>;

// The lists the working picture would get if it were turned into each other orientation before
// its transform, from the lists of the picture as it is and of the picture transposed. Exact:
// mirroring a picture only moves its Haar coefficients within their level and negates the
// details, so the truncated coefficients move the same way. Transposing is not derived, since
// the rows-then-columns transform of a transposed picture rounds differently.
TTurnedCoefs TurnWaveletCoefs(const TOrientedCoefs &unturned, const TOrientedCoefs &transposed);

// How many of the earlier picture's signed positions the current picture keeps with the same sign
// once turned into `orientation`, given the current picture's truncated matrices as it is and
// transposed.
int TurnedMatches(const TWaveletCoefs &positive, const TWaveletCoefs &negative, const TSignMatrix &unturned,
    const TSignMatrix &transposed, TOrientation orientation);
