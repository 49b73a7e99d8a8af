#include "engine/sign/signature.h"

#include "engine/base/picturesize.h"
#include "settings/settings.h"

namespace
{

void appendPositions(QByteArray &text, const char *label, const TWaveletCoefs &coefs)
{
    const int count = coefs.KeptCount();
    text += label;
    text += '\t' + QByteArray::number(count) + '\t';
    for (int j = 0; j < count; ++j) {
        if (j > 0)
            text += ' ';
        text += QByteArray::number(coefs[j].X) + ',' + QByteArray::number(coefs[j].Y);
    }
    text += '\n';
}

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
