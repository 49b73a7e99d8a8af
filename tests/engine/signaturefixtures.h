#pragma once

#include "engine/base/catalogue.h"
#include "engine/sign/signature.h"

#include <vector>

struct TSignatureLists {
    TWaveletCoefs Positive;
    TWaveletCoefs Negative;
};

// Signatures whose positions cluster on a few hundred common positions, as photographs' do, with
// planted near-copies of earlier ones (every tenth on average), so that an index holds both its
// slice and its list storage. Like real signatures, no position occurs twice in one signature.
std::vector<TSignatureLists> MakeClusteredSignatures(int count, unsigned seed);

// A 100 x 100 picture's signature with `lists`, whose first bytes hold `n`, so that pictures made
// from different numbers never share their first bytes.
TPictureSignature NumberedSignature(const TSignatureLists &lists, int n);
