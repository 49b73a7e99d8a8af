#pragma once

#include "engine/base/catalogue.h"

#include <QByteArray>
#include <QImage>

#include <array>

// Haar coefficients of the 128 x 128 working picture, [row][column].
using WaveletMatrix = std::array<std::array<double, kWorkBitmapSize>, kWorkBitmapSize>;
using WaveletRow = std::array<double, kWorkBitmapSize>;

// The 251st largest magnitude of the 16384 coefficients sits here in ascending order.
constexpr int kThresholdPosition = kWorkBitmapSize * kWorkBitmapSize - kSignatureSize - 1;

// The 8-bit grey working picture with rows and columns swapped.
QImage TransposedGrey(const QImage &grey);

// Fills `preBuffer` with the first 256 bytes of the file, zero-padded; all zeros when the file
// is missing or cannot be read.
void ReadPreBuffer(const QByteArray &path, TPreBuffer &preBuffer);

// Turns a 24-bit bitmap into an 8-bit grey one (Format_Grayscale8), grey levels quantised to
// multiples of `step`, then median-filters it. Does nothing for other depths.
void PrepareGrayscale(QImage &bitmap, int step);

// Writes 0.3 R + 0.59 G + 0.11 B, truncated, into all three bytes of every pixel of a 24-bit
// bitmap (Format_BGR888 or Format_RGB888). Does nothing for other depths.
void ConvertToGrayscale(QImage &bitmap);

// 3 x 3 median of an 8-bit bitmap in place, rows bottom-up and columns right to left, so that
// already filtered neighbours below and to the right take part. Borders keep their values.
void MedianFilter(QImage &bitmap);

// Truncated mean pixel value of an 8-bit bitmap; 0 when it is empty or not 8-bit.
int AverageIntensity(const QImage &bitmap);

// Fills `matrix` with the 128 x 128 8-bit bitmap minus `average`, decomposes and truncates it.
// Leaves the matrix unchanged when the bitmap is not 8-bit and 128 x 128.
void ComputeWaveletMatrix(const QImage &bitmap, WaveletMatrix &matrix, int average);

// Standard two-dimensional Haar decomposition: every row, then every column.
void HaarDecomposeImage(WaveletMatrix &matrix);

// One-dimensional Haar decomposition of 128 values in place, averages first.
void HaarDecomposeArray(WaveletRow &values);

// Keeps the (at most 250) coefficients whose magnitude is above the 251st largest as +1 or -1
// and sets every other entry, the overall average included, to 0. `count` receives how many
// were kept.
void TruncateCoefficients(WaveletMatrix &matrix, int &count);

// The kept positions of a truncated matrix in row, then column order, split by sign; unused
// entries are (0, 0).
void ExtractWaveletCoefs(const WaveletMatrix &matrix, TWaveletCoefs &positive, TWaveletCoefs &negative);
