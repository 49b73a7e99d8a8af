#pragma once

struct TSettings;

// Decoded pictures are never smaller than this on either side, whatever the settings say.
constexpr int kMinPictureSide = 5;

// The denominator (8, 4 or 1) of the JPEG decoding scale for a picture of this full size.
int ChooseScaleDenominator(int Height, int Width, const TSettings &settings);

// Whether a loaded picture is large enough to be signed and compared.
bool PassesSizeFilter(int Height, int Width, const TSettings &settings);
