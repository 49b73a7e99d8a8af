#pragma once

#include <QImage>

#include <optional>
#include <vector>

// How a picture that is not a JPEG file takes its JPEG detour.
enum class TJpegDetour {
    // From the quantised DCT coefficients where the scale allows it, else the round trip.
    Shortcut,
    // Encoded at quality 90 and decoded again through libjpeg: the reference.
    RoundTrip,
};

// What encoding `picture` with EncodeJpeg and decoding the result with DecodeJpeg at scale
// 1/`scaleDenominator` gives, as Format_RGB888. Throws TPictureError as those two do.
QImage JpegDetour(const QImage &picture, int scaleDenominator, TJpegDetour detour = TJpegDetour::Shortcut);

// The same picture for scales 1/8 and 1/4, computed without entropy coding: libjpeg-turbo's
// colour conversion, 2x2 chroma subsampling, edge extension, forward DCT and quantisation at
// quality 90, then its dequantisation, reduced inverse DCT and colour conversion at that scale,
// in the same integer arithmetic and only for the coefficients the reduced inverse DCT reads.
// Bit for bit what the round trip gives. Nothing for other scales or an empty picture.
std::optional<QImage> DetourShortcut(const QImage &picture, int scaleDenominator);

// Only the pixels of that decoding at the given columns and rows (indexes into it, repeats
// allowed), as a picture of columns.size() x rows.size(); blocks none of them lies in are skipped.
std::optional<QImage> DetourShortcut(
    const QImage &picture, int scaleDenominator, const std::vector<int> &columns, const std::vector<int> &rows);

// The length of a side of `side` pixels in the decoding at scale 1/`scaleDenominator`.
int ScaledSide(int side, int scaleDenominator);
