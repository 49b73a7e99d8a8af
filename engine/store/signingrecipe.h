#pragma once

#include <QByteArray>

// The versions of the signing method and of every decoder that shapes a signature (libjpeg-turbo,
// LibRaw, libheif, libwebp, libjxl, Qt and its image plugins), as one text. Each library is named
// by its version and by the path, size and time of the file it is loaded from, so that an upgrade
// of the file is seen even when its version string stays. A stored signature is reused only under the same recipe.
QByteArray SigningRecipe();
