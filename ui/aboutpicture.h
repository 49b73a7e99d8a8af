#pragma once

#include <QPixmap>

// The About box's picture: two overlapping photographs under a magnifying glass, drawn at
// side x side pixels.
QPixmap DrawAboutPicture(int side);
