#include "engine/sign/decoding.h"
#include "engine/sign/signpicture.h"

// Compiled into each program that links the decoders, so that the engine finds them there.
const TDecoding &Decoding()
{
    static const TDecoding decoding { &SignPicture, &SignContent };
    return decoding;
}
