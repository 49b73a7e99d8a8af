#pragma once

#include "engine/decode/jpegdetour.h"
#include "engine/sign/signature.h"

#include <QByteArray>

#include <optional>

struct TSettings;

// Loads and signs the picture at `path` as a search does. Returns nothing when the picture
// cannot be read or is below the minimum size. The wavelet lists stay empty when only
// identical files are searched, the transposed ones unless turned copies are searched. Touches no shared state, so it
// may run on any thread.
std::optional<TPictureSignature> SignPicture(const QByteArray &path, const TSettings &settings);

// Signs the picture whose file content `bytes` was read from `path` (which chooses the decoder),
// as SignPicture would sign that file.
TSignedContent SignContent(const QByteArray &path, const QByteArray &bytes, const TSettings &settings);

// SignPicture with the JPEG detour of a picture that is not a JPEG file taken the way `detour`
// says; both ways give the same signature.
std::optional<TPictureSignature> SignPictureVia(const QByteArray &path, const TSettings &settings, TJpegDetour detour);
