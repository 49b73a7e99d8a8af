#include "engine/sign/pictureprocessing.h"

#include "engine/base/rawpathfile.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace
{

constexpr int kPixelCount = kWorkBitmapSize * kWorkBitmapSize;
constexpr int kMedianWindow = 9;
constexpr int kMedianIndex = 4;

constexpr long double kRedWeight = 0.3L;
constexpr long double kGreenWeight = 0.59L;
constexpr long double kBlueWeight = 0.11L;

bool isColourBitmap(const QImage &bitmap)
{
    return bitmap.format() == QImage::Format_BGR888 || bitmap.format() == QImage::Format_RGB888;
}

bool isGreyBitmap(const QImage &bitmap) { return !bitmap.isNull() && bitmap.depth() == 8; }

void transpose(WaveletMatrix &matrix)
{
    for (int i = 0; i < kWorkBitmapSize; ++i)
        for (int j = i + 1; j < kWorkBitmapSize; ++j)
            std::swap(matrix[i][j], matrix[j][i]);
}

}

void ReadPreBuffer(const QByteArray &path, TPreBuffer &preBuffer)
{
    preBuffer.fill(0);
    QFile file;
    if (!OpenForReading(file, path))
        return;
    const qint64 count = file.read(reinterpret_cast<char *>(preBuffer.data()), kPreBufferSize);
    if (count < 0)
        preBuffer.fill(0);
}

void ConvertToGrayscale(QImage &bitmap)
{
    if (!isColourBitmap(bitmap))
        return;
    const bool blueFirst = bitmap.format() == QImage::Format_BGR888;
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar *pixel = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x, pixel += 3) {
            const uchar red = blueFirst ? pixel[2] : pixel[0];
            const uchar blue = blueFirst ? pixel[0] : pixel[2];
            const long double grey = kRedWeight * red + kGreenWeight * pixel[1] + kBlueWeight * blue;
            const uchar level = uchar(grey);
            pixel[0] = pixel[1] = pixel[2] = level;
        }
    }
}

void PrepareGrayscale(QImage &bitmap, int step)
{
    if (!isColourBitmap(bitmap) || step < 1)
        return;
    ConvertToGrayscale(bitmap);
    QImage grey(bitmap.width(), bitmap.height(), QImage::Format_Grayscale8);
    if (grey.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar *source = bitmap.constScanLine(y);
        uchar *target = grey.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x)
            target[x] = uchar(step * (source[3 * x] / step));
    }
    bitmap = std::move(grey);
    MedianFilter(bitmap);
}

void MedianFilter(QImage &bitmap)
{
    if (!isGreyBitmap(bitmap) || bitmap.width() < 3 || bitmap.height() < 3)
        return;
    std::array<uchar, kMedianWindow> window;
    for (int y = bitmap.height() - 2; y >= 1; --y) {
        const uchar *above = bitmap.constScanLine(y - 1);
        uchar *row = bitmap.scanLine(y);
        const uchar *below = bitmap.constScanLine(y + 1);
        for (int x = bitmap.width() - 2; x >= 1; --x) {
            window = { above[x - 1], above[x], above[x + 1], row[x - 1], row[x], row[x + 1], below[x - 1], below[x],
                below[x + 1] };
            std::nth_element(window.begin(), window.begin() + kMedianIndex, window.end());
            row[x] = window[kMedianIndex];
        }
    }
}

int AverageIntensity(const QImage &bitmap)
{
    if (!isGreyBitmap(bitmap) || bitmap.width() == 0 || bitmap.height() == 0)
        return 0;
    qint64 sum = 0;
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar *row = bitmap.constScanLine(y);
        for (int x = 0; x < bitmap.width(); ++x)
            sum += row[x];
    }
    return int(sum / (qint64(bitmap.width()) * bitmap.height()));
}

void ComputeWaveletMatrix(const QImage &bitmap, WaveletMatrix &matrix, int average)
{
    if (!isGreyBitmap(bitmap) || bitmap.width() != kWorkBitmapSize || bitmap.height() != kWorkBitmapSize)
        return;
    for (int r = 0; r < kWorkBitmapSize; ++r) {
        const uchar *row = bitmap.constScanLine(r);
        for (int c = 0; c < kWorkBitmapSize; ++c)
            matrix[r][c] = double(int(row[c]) - average);
    }
    HaarDecomposeImage(matrix);
    int kept = 0;
    TruncateCoefficients(matrix, kept);
}

void HaarDecomposeArray(WaveletRow &values)
{
    const long double rootOfLength = std::sqrt(static_cast<long double>(kWorkBitmapSize));
    const long double rootOfTwo = std::sqrt(2.0L);
    for (double &value : values)
        value = double(value / rootOfLength);
    WaveletRow averagedAndDetails;
    for (int half = kWorkBitmapSize / 2; half >= 1; half /= 2) {
        for (int i = 0; i < half; ++i) {
            const long double even = values[2 * i];
            const long double odd = values[2 * i + 1];
            averagedAndDetails[i] = double((even + odd) / rootOfTwo);
            averagedAndDetails[half + i] = double((even - odd) / rootOfTwo);
        }
        std::copy_n(averagedAndDetails.begin(), 2 * half, values.begin());
    }
}

void HaarDecomposeImage(WaveletMatrix &matrix)
{
    for (WaveletRow &row : matrix)
        HaarDecomposeArray(row);
    transpose(matrix);
    for (WaveletRow &row : matrix)
        HaarDecomposeArray(row);
    transpose(matrix);
}

void TruncateCoefficients(WaveletMatrix &matrix, int &count)
{
    std::array<double, kPixelCount> magnitudes;
    for (int r = 0; r < kWorkBitmapSize; ++r)
        for (int c = 0; c < kWorkBitmapSize; ++c)
            magnitudes[r * kWorkBitmapSize + c] = std::fabs(matrix[r][c]);
    magnitudes[0] = 0;
    std::nth_element(magnitudes.begin(), magnitudes.begin() + kThresholdPosition, magnitudes.end());
    const double threshold = magnitudes[kThresholdPosition];
    count = 0;
    for (int r = 0; r < kWorkBitmapSize; ++r) {
        for (int c = 0; c < kWorkBitmapSize; ++c) {
            double &entry = matrix[r][c];
            if (std::fabs(entry) > threshold && (r != 0 || c != 0)) {
                entry = entry > 0 ? 1.0 : -1.0;
                ++count;
            } else {
                entry = 0;
            }
        }
    }
}

void ExtractWaveletCoefs(const WaveletMatrix &matrix, TWaveletCoefs &positive, TWaveletCoefs &negative)
{
    positive.Clear();
    negative.Clear();
    int positiveCount = 0;
    int negativeCount = 0;
    for (int r = 0; r < kWorkBitmapSize; ++r) {
        for (int c = 0; c < kWorkBitmapSize; ++c) {
            if (matrix[r][c] > 0 && positiveCount < kSignatureSize)
                positive.Set(positiveCount++, { r, c });
            else if (matrix[r][c] < 0 && negativeCount < kSignatureSize)
                negative.Set(negativeCount++, { r, c });
        }
    }
}

QImage TransposedGrey(const QImage &grey)
{
    QImage transposed(grey.height(), grey.width(), QImage::Format_Grayscale8);
    if (transposed.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            transposed.scanLine(x)[y] = row[x];
    }
    return transposed;
}
