#include "engine/sign/decoding.h"

extern "C" __attribute__((visibility("default"))) const TDecoding *QuorvaneDecoding() { return &Decoding(); }
