#include "pictureprocessing.h"

#include "rawpathfile.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace
{

constexpr int kPixelCount = kWorkBitmapSize * kWorkBitmapSize;
constexpr int kMedianWindow = 9;
constexpr int kMedianIndex = 4;
constexpr qint64 kCompareBlockSize = 1024;
// Bytes read from each file at once: far fewer system calls than one per block, while the blocks
// are still compared, and the pump run, one at a time.
constexpr qint64 kCompareReadSize = 64 * kCompareBlockSize;

constexpr long double kRedWeight = 0.3L;
constexpr long double kGreenWeight = 0.59L;
constexpr long double kBlueWeight = 0.11L;

bool isColourBitmap(const QImage &bitmap)
{
    return bitmap.format() == QImage::Format_BGR888 || bitmap.format() == QImage::Format_RGB888;
}

bool isGreyBitmap(const QImage &bitmap) { return !bitmap.isNull() && bitmap.depth() == 8; }

// Fills `buffer` as far as the file goes; -1 after a read error.
qint64 readFully(QFile &file, char *buffer, qint64 size)
{
    qint64 filled = 0;
    while (filled < size) {
        const qint64 count = file.read(buffer + filled, size - filled);
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += count;
    }
    return filled;
}

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

bool FilesIdentical(const QByteArray &pathA, const QByteArray &pathB, const std::function<bool()> &pump)
{
    QFile fileA;
    QFile fileB;
    if (!OpenForReading(fileA, pathA) || !OpenForReading(fileB, pathB))
        return false;
    std::vector<char> bytesA(kCompareReadSize);
    std::vector<char> bytesB(kCompareReadSize);
    for (;;) {
        const qint64 filledA = readFully(fileA, bytesA.data(), kCompareReadSize);
        const qint64 filledB = readFully(fileB, bytesB.data(), kCompareReadSize);
        if (filledA < 0 || filledB < 0)
            return false;
        // Block by block, as if each were read on its own: the counts of the first block pair that
        // differs in length end the comparison, after as many pumps as before.
        for (qint64 offset = 0;; offset += kCompareBlockSize) {
            const qint64 countA = std::clamp(filledA - offset, qint64(0), kCompareBlockSize);
            const qint64 countB = std::clamp(filledB - offset, qint64(0), kCompareBlockSize);
            if (countA != countB)
                return false;
            if (countA == 0)
                return true;
            if (std::memcmp(bytesA.data() + offset, bytesB.data() + offset, size_t(countA)) != 0)
                return false;
            if (pump && !pump())
                return false;
            if (offset + kCompareBlockSize >= kCompareReadSize)
                break;
        }
    }
}
