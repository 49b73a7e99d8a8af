#pragma once

#include "engine/sign/signature.h"

#include <cstdint>
#include <optional>

// Where the comparison gets each picture's signature from, in catalogue order: the signing
// workers in a search, precomputed signatures in a benchmark.
class TSignatureSource
{
public:
    virtual ~TSignatureSource() = default;
    // Picture `index`'s signature, nothing when it is skipped; waits when it is not ready yet.
    virtual std::optional<TPictureSignature> Take(int32_t index) = 0;
    // Whether Take would return at once.
    virtual bool IsReady(int32_t index) = 0;
};
