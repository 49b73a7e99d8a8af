#pragma once

#include <QByteArray>
#include <QImage>

// Baseline colour JPEG of `picture` at the given quality (0..100). Throws std::runtime_error.
QByteArray EncodePreviewJpeg(const QImage &picture, int quality);

// Decodes JPEG data at 1/scaleDenominator of its size (1, 2, 4 or 8) with the fast integer IDCT.
// Throws std::runtime_error with libjpeg's message when the data cannot be decoded.
QImage DecodePreviewJpeg(const QByteArray &jpeg, int scaleDenominator);
