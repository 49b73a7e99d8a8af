#pragma once

#include "settings/picturetypes.h"

#include <QByteArray>

struct TSettings;

// The decoder that the extension of `path` (from the name's last dot, any case) selects; None for
// an extension that no decoder knows.
TPictureDecoder DecoderOf(const QByteArray &path);

// DecoderOf for a search under `settings`: the types after the first six decode nothing while
// they are off, so that a file a mask of another type collected (scan.tif.webp by "*.tif*") is
// skipped rather than read as a type the search leaves out.
TPictureDecoder SearchedDecoderOf(const QByteArray &path, const TSettings &settings);
