#include "engine/signpicture.h"

#include "engine/orientation.h"
#include "engine/pictureerror.h"
#include "engine/pictureloader.h"
#include "settings/settings.h"

#include <algorithm>

namespace
{

constexpr int kGreyStep = 1;

int keptCount(const TWaveletCoefs &coefs)
{
    int count = 0;
    while (count < kSignatureSize && coefs.PackedAt(count) != 0)
        ++count;
    return count;
}

void appendPositions(QByteArray &text, const char *label, const TWaveletCoefs &coefs)
{
    const int count = keptCount(coefs);
    text += label;
    text += '\t' + QByteArray::number(count) + '\t';
    for (int j = 0; j < count; ++j) {
        if (j > 0)
            text += ' ';
        text += QByteArray::number(coefs[j].X) + ',' + QByteArray::number(coefs[j].Y);
    }
    text += '\n';
}

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
    try {
        LoadPicture(path, workBitmap, height, width, settings, detour);
    } catch (const TPictureError &) {
        return std::nullopt;
    }
    if (!PassesSizeFilter(height, width, settings))
        return std::nullopt;
    signature.Height = height;
    signature.Width = width;
    ReadPreBuffer(path, signature.PreBuffer);
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
        LoadPictureBytes(path, bytes, workBitmap, height, width, settings);
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

bool ReuseSignedContent(
    const TSignedContent &content, const TSettings &settings, std::optional<TPictureSignature> &signature)
{
    const int32_t height = content.Signature.Height;
    const int32_t width = content.Signature.Width;
    // Whether a picture decodes at all may depend on the scale it is decoded at.
    if (content.ScaleDenominator != 0 && ChooseScaleDenominator(height, width, settings) != content.ScaleDenominator)
        return false;
    if (!content.Loaded || !PassesSizeFilter(height, width, settings)) {
        signature.reset();
        return true;
    }
    if (!settings.SearchOnlyIdentical && !content.HasWavelets)
        return false;
    if (settings.SearchesTurnedCopies() && !content.HasTransposedWavelets)
        return false;
    signature = content.Signature;
    if (settings.SearchOnlyIdentical) {
        signature->WaveletCoefsPos.Clear();
        signature->WaveletCoefsNeg.Clear();
    }
    if (!settings.SearchesTurnedCopies()) {
        signature->TransposedCoefsPos.Clear();
        signature->TransposedCoefsNeg.Clear();
    }
    return true;
}

void RebuildWaveletMatrix(const TWaveletCoefs &positive, const TWaveletCoefs &negative, TSignMatrix &matrix)
{
    matrix.fill(0);
    for (int j = 0; j < kSignatureSize; ++j) {
        if (positive.PackedAt(j) != 0)
            matrix[positive.PackedAt(j)] = 1;
        if (negative.PackedAt(j) != 0)
            matrix[negative.PackedAt(j)] = -1;
    }
}

QByteArray SignatureText(const TPictureSignature &signature)
{
    QByteArray text;
    text += "height\t" + QByteArray::number(signature.Height) + '\n';
    text += "width\t" + QByteArray::number(signature.Width) + '\n';
    appendPositions(text, "pos", signature.WaveletCoefsPos);
    appendPositions(text, "neg", signature.WaveletCoefsNeg);
    return text;
}
