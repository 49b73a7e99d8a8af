#include "engine/sign/pictureprocessing.h"
#include "picturefixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

QImage greyBitmap(int width, int height, const std::vector<uchar> &levels)
{
    QImage bitmap(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.scanLine(y)[x] = levels[y * width + x];
    return bitmap;
}

std::vector<uchar> levelsOf(const QImage &bitmap)
{
    std::vector<uchar> levels;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            levels.push_back(bitmap.constScanLine(y)[x]);
    return levels;
}

uchar greyOf(uchar red, uchar green, uchar blue)
{
    QImage pixel(1, 1, QImage::Format_BGR888);
    pixel.scanLine(0)[0] = blue;
    pixel.scanLine(0)[1] = green;
    pixel.scanLine(0)[2] = red;
    ConvertToGrayscale(pixel);
    EXPECT_EQ(pixel.constScanLine(0)[0], pixel.constScanLine(0)[2]);
    return pixel.constScanLine(0)[1];
}

int keptCount(const TWaveletCoefs &coefs)
{
    int count = 0;
    for (int j = 0; j < kSignatureSize; ++j)
        count += coefs.PackedAt(j) != 0;
    return count;
}

}

TEST(Grayscale, WeightsTruncateAndSumJustBelowOne)
{
    EXPECT_EQ(greyOf(7, 7, 7), 6);
    EXPECT_EQ(greyOf(255, 255, 255), 255);
    EXPECT_EQ(greyOf(0, 0, 0), 0);
}

TEST(Grayscale, PrepareGivesEightBitGreyAndIgnoresOtherDepths)
{
    QImage bitmap(kWorkBitmapSize, kWorkBitmapSize, QImage::Format_BGR888);
    bitmap.fill(QColor(255, 255, 255));
    PrepareGrayscale(bitmap, 1);
    ASSERT_EQ(bitmap.depth(), 8);
    EXPECT_EQ(AverageIntensity(bitmap), 255);

    QImage argb(4, 4, QImage::Format_ARGB32);
    argb.fill(Qt::red);
    const QImage before = argb;
    PrepareGrayscale(argb, 1);
    ConvertToGrayscale(argb);
    EXPECT_EQ(argb, before);
    EXPECT_EQ(AverageIntensity(argb), 0);
}

TEST(MedianFilter, ThreeByThreeChangesOnlyTheCentre)
{
    QImage bitmap = greyBitmap(3, 3, { 9, 1, 8, 2, 7, 3, 6, 4, 5 });
    MedianFilter(bitmap);
    EXPECT_EQ(levelsOf(bitmap), (std::vector<uchar> { 9, 1, 8, 2, 5, 3, 6, 4, 5 }));
}

TEST(MedianFilter, FourByFourWorksInPlaceBottomUpRightToLeft)
{
    QImage bitmap = greyBitmap(4, 4, { 10, 20, 30, 40, 50, 60, 70, 80, 90, 15, 25, 35, 45, 55, 65, 75 });
    MedianFilter(bitmap);
    // A filter reading only unfiltered values would give 30 and 35 in row 1.
    EXPECT_EQ(
        levelsOf(bitmap), (std::vector<uchar> { 10, 20, 30, 40, 50, 60, 60, 80, 90, 60, 60, 35, 45, 55, 65, 75 }));
}

TEST(WaveletSignature, FlatPictureKeepsNoCoefficient)
{
    QImage bitmap(kWorkBitmapSize, kWorkBitmapSize, QImage::Format_Grayscale8);
    bitmap.fill(77);
    const int average = AverageIntensity(bitmap);
    EXPECT_EQ(average, 77);
    WaveletMatrix matrix {};
    matrix[5][5] = 3;
    ComputeWaveletMatrix(bitmap, matrix, average);
    TWaveletCoefs positive;
    TWaveletCoefs negative;
    positive.Set(0, { 1, 2 });
    ExtractWaveletCoefs(matrix, positive, negative);
    EXPECT_EQ(keptCount(positive), 0);
    EXPECT_EQ(keptCount(negative), 0);
    EXPECT_EQ(matrix[5][5], 0);
}

TEST(WaveletSignature, MoreThan250TiedLargestKeepNone)
{
    WaveletMatrix matrix {};
    for (int j = 0; j < 300; ++j)
        matrix[1 + j / kWorkBitmapSize][j % kWorkBitmapSize] = (j % 2) ? 5 : -5;
    int count = -1;
    TruncateCoefficients(matrix, count);
    EXPECT_EQ(count, 0);
    for (const WaveletRow &row : matrix)
        for (double entry : row)
            ASSERT_EQ(entry, 0);
}

TEST(WaveletSignature, Exactly250DistinctKeepAllSplitBySignAndNeverTheAverage)
{
    WaveletMatrix matrix {};
    matrix[0][0] = 1000;
    for (int j = 1; j <= kSignatureSize; ++j)
        matrix[j / kWorkBitmapSize][j % kWorkBitmapSize] = (j % 3 == 0) ? -j : j + 0.5;
    int count = 0;
    TruncateCoefficients(matrix, count);
    EXPECT_EQ(count, kSignatureSize);
    EXPECT_EQ(matrix[0][0], 0);
    TWaveletCoefs positive;
    TWaveletCoefs negative;
    ExtractWaveletCoefs(matrix, positive, negative);
    EXPECT_EQ(keptCount(positive), 167);
    EXPECT_EQ(keptCount(negative), 83);
    EXPECT_EQ(positive[0], (TWaveletPoint { 0, 1 }));
    EXPECT_EQ(negative[0], (TWaveletPoint { 0, 3 }));
    EXPECT_EQ(negative[82], (TWaveletPoint { 1, 249 - kWorkBitmapSize }));
}

TEST(PreBuffer, ShortFileIsZeroPaddedMissingFileAllZero)
{
    QTemporaryDir folder;
    QByteArray bytes;
    for (int i = 0; i < 100; ++i)
        bytes += char(i + 1);
    WriteBytes(folder.filePath("hundred.bin"), bytes);
    TPreBuffer preBuffer;
    preBuffer.fill(0xAA);
    ReadPreBuffer(QFile::encodeName(folder.filePath("hundred.bin")), preBuffer);
    for (int i = 0; i < kPreBufferSize; ++i)
        ASSERT_EQ(preBuffer[i], i < 100 ? i + 1 : 0) << i;

    preBuffer.fill(0xAA);
    ReadPreBuffer(QFile::encodeName(folder.filePath("missing.bin")), preBuffer);
    EXPECT_EQ(preBuffer, TPreBuffer {});
}
