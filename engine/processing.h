#pragma once

#include "catalogue.h"
#include "pictureprocessing.h"

class TSearchObserver;
struct TSettings;

// Signs every collected picture in catalogue order and pairs each with the nearest earlier
// picture that is byte-identical or shares at least half of its 250 signed wavelet positions.
// Pumps the observer at the head of every picture and during byte comparisons and returns as
// soon as SearchStopped is found set after a pump. Unreadable and too-small pictures are skipped.
void ProcessPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer);

// The similarity score S (0 to 100) of two wavelet signatures: the share of the earlier
// picture's signed positions at which the current picture's truncated matrix has the same sign.
double WaveletScore(const TPicInfo &earlier, const WaveletMatrix &currentMatrix);

// Whether two pictures' aspect ratios are close enough (within a factor 1.5) to be compared.
bool AspectRatiosComparable(const TPicInfo &a, const TPicInfo &b);
