#pragma once

#include "engine/sign/signature.h"

// The functions that decode pictures. They need Qt's GUI library, libjpeg and the codecs, which
// take longer to load than a repeated search of a few thousand pictures takes to run. Programs
// that link the decoders get them directly; quorvane-cli opens them from a module the first time
// a picture has to be decoded.
struct TDecoding {
    std::optional<TPictureSignature> (*SignPicture)(const QByteArray &path, const TSettings &settings) = nullptr;
    TSignedContent (*SignContent)(const QByteArray &path, const QByteArray &bytes, const TSettings &settings) = nullptr;
};

// The program's decoders. Throws when they cannot be had.
const TDecoding &Decoding();

// The name a decoding module exports its decoders under, as extern "C" `const TDecoding *NAME()`.
#define QUORVANE_DECODING_ENTRY "QuorvaneDecoding"
