#include "engine/compare/orientation.h"
#include "engine/sign/pictureprocessing.h"
#include "picturefixtures.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

QImage preparedGrey(const QImage &picture)
{
    QImage work = picture.convertToFormat(QImage::Format_BGR888);
    PrepareGrayscale(work, 1);
    return work;
}

TOrientedCoefs listsOf(const QImage &grey, int average)
{
    WaveletMatrix matrix {};
    ComputeWaveletMatrix(grey, matrix, average);
    TOrientedCoefs lists;
    ExtractWaveletCoefs(matrix, lists.Positive, lists.Negative);
    return lists;
}

// The turn that brings a duplicate lying in `orientation` back to its original.
TOrientation undoing(TOrientation orientation)
{
    if (orientation == TOrientation::Rotated90)
        return TOrientation::Rotated270;
    if (orientation == TOrientation::Rotated270)
        return TOrientation::Rotated90;
    return orientation;
}

QImage noise(unsigned seed)
{
    std::mt19937 random(seed);
    QImage picture(kWorkBitmapSize, kWorkBitmapSize, QImage::Format_RGB32);
    for (int y = 0; y < kWorkBitmapSize; ++y)
        for (int x = 0; x < kWorkBitmapSize; ++x)
            picture.setPixel(x, y, qRgb(int(random() % 256), int(random() % 256), int(random() % 256)));
    return picture;
}

// Flat 8 x 8 tiles of a few levels: many coefficients of equal magnitude tie at the threshold.
QImage tiles(unsigned seed)
{
    std::mt19937 random(seed);
    QImage picture(kWorkBitmapSize, kWorkBitmapSize, QImage::Format_RGB32);
    for (int y = 0; y < kWorkBitmapSize; y += 8)
        for (int x = 0; x < kWorkBitmapSize; x += 8)
            for (int dy = 0; dy < 8; ++dy)
                for (int dx = 0; dx < 8; ++dx)
                    picture.setPixel(x + dx, y + dy, qRgb(int(random() % 4) * 60, 0, 0));
    return picture;
}

}

// The turned lists are derived from two transforms; each must equal the transform of the working
// picture actually turned, bit for bit, also where magnitudes tie at the threshold.
TEST(TurnedCoefficients, EqualTheTransformOfTheTurnedPicture)
{
    for (const QImage &picture : { DrawScene(3, kWorkBitmapSize, kWorkBitmapSize), noise(4), tiles(5) }) {
        const QImage grey = preparedGrey(picture);
        const int average = AverageIntensity(grey);
        const TTurnedCoefs turned = TurnWaveletCoefs(listsOf(grey, average), listsOf(TransposedGrey(grey), average));
        for (int orientation = 1; orientation < kOrientationCount; ++orientation) {
            const TOrientedCoefs expected = listsOf(TurnedPicture(grey, undoing(TOrientation(orientation))), average);
            EXPECT_NE(expected.Positive, TWaveletCoefs {});
            EXPECT_EQ(turned[orientation - 1].Positive, expected.Positive) << orientation;
            EXPECT_EQ(turned[orientation - 1].Negative, expected.Negative) << orientation;
        }
    }
}
