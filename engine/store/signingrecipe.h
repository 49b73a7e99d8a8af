#pragma once

#include "settings/picturetypes.h"

#include <QByteArray>

// The versions of the signing method and of every decoder that shapes a signature (libjpeg-turbo,
// LibRaw, libheif, libjxl, Qt and its image plugins), as one text. Each library is named by its version and by the
// path, size and time of the file it is loaded from, so that an upgrade of the file is seen even
// when its version string stays. A stored signature is reused only under the same recipe.
QByteArray SigningRecipe();

// The recipe of the signatures of the pictures `decoder` reads: `recipe` followed by the version
// of the way that decoder hands pictures to signing, where it has changed (a thumbnail, a reduced
// decoding instead of the whole picture), and the libraries only that decoder signs through
// (libwebp). Raising one decoder's version signs its pictures again and leaves the entries of every
// other decoder valid.
QByteArray DecoderRecipe(const QByteArray &recipe, TPictureDecoder decoder);
