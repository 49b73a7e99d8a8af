#include "engine/sign/signpicture.h"

#include "engine/base/pictureerror.h"
#include "engine/compare/orientation.h"
#include "engine/decode/pictureloader.h"
#include "engine/decode/picturereader.h"
#include "engine/sign/pictureprocessing.h"
#include "settings/settings.h"

#include <algorithm>

namespace
{

constexpr int kGreyStep = 1;

void computeWavelets(QImage &workBitmap, TPictureSignature &signature, bool transposedToo)
{
    PrepareGrayscale(workBitmap, kGreyStep);
    const int average = AverageIntensity(workBitmap);
    WaveletMatrix matrix {};
    ComputeWaveletMatrix(workBitmap, matrix, average);
    ExtractWaveletCoefs(matrix, signature.WaveletCoefsPos, signature.WaveletCoefsNeg);
    if (!transposedToo)
        return;
    // The other turned orientations are derived exactly from these two transforms.
    ComputeWaveletMatrix(TransposedGrey(workBitmap), matrix, average);
    ExtractWaveletCoefs(matrix, signature.TransposedCoefsPos, signature.TransposedCoefsNeg);
}

}

std::optional<TPictureSignature> SignPicture(const QByteArray &path, const TSettings &settings)
{
    return SignPictureVia(path, settings, TJpegDetour::Shortcut);
}

std::optional<TPictureSignature> SignPictureVia(const QByteArray &path, const TSettings &settings, TJpegDetour detour)
{
    QImage workBitmap;
    TPictureSignature signature;
    int height = 0;
    int width = 0;
    // Read once: the decoder and the fingerprint of the first bytes share the content.
    QByteArray bytes;
    try {
        bytes = ReadWholePictureFile(path);
        LoadPictureBytes(path, bytes, workBitmap, height, width, settings, detour);
    } catch (const TPictureError &) {
        return std::nullopt;
    }
    if (!PassesSizeFilter(height, width, settings))
        return std::nullopt;
    signature.Height = height;
    signature.Width = width;
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), kPreBufferSize), signature.PreBuffer.begin());
    if (!settings.SearchOnlyIdentical)
        computeWavelets(workBitmap, signature, settings.SearchesTurnedCopies());
    return signature;
}

TSignedContent SignContent(const QByteArray &path, const QByteArray &bytes, const TSettings &settings)
{
    TSignedContent content;
    QImage workBitmap;
    int height = 0;
    int width = 0;
    try {
        LoadPictureBytes(path, bytes, workBitmap, height, width, settings, TJpegDetour::Shortcut);
        content.Loaded = true;
    } catch (const TPictureError &) {
    }
    content.Signature.Height = height;
    content.Signature.Width = width;
    if (height > 0 && width > 0)
        content.ScaleDenominator = ChooseScaleDenominator(height, width, settings);
    if (!content.Loaded)
        return content;
    std::copy_n(
        bytes.constData(), std::min<qsizetype>(bytes.size(), kPreBufferSize), content.Signature.PreBuffer.begin());
    if (!settings.SearchOnlyIdentical && PassesSizeFilter(height, width, settings)) {
        computeWavelets(workBitmap, content.Signature, settings.SearchesTurnedCopies());
        content.HasWavelets = true;
        content.HasTransposedWavelets = settings.SearchesTurnedCopies();
    }
    return content;
}
