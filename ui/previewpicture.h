#pragma once

#include "engine/decode/picturereader.h"

#include <QByteArray>
#include <QImage>

// Reads the file at `fullPath` (raw path bytes) as a search does. Throws TPictureError whose
// message names the file.
TPictureSource LoadPreviewPicture(const QByteArray &fullPath);

// 4 when height > 1500 or width > 2000, else 2 when either is above 1000, else 1.
int PreviewScaleDenominator(int32_t width, int32_t height);

// Passes the picture through a JPEG (quality 90 unless it already is one) and decodes it at the
// scale that the catalogue's width and height select. Throws TPictureError.
QImage ReducePreviewPicture(const TPictureSource &source, int32_t width, int32_t height);

// The smaller side div 20, raised to 2 when it would be less.
int PreviewFramePenWidth(const QImage &bitmap);

// Draws the white frame along the bitmap's edges; half of the pen lies outside.
void ShowPreviewFrame(QImage &bitmap);
