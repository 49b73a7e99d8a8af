#pragma once

#include <cstdint>

// The options kept between runs, named by their keys in the settings file. Defaults are those of
// a first run without a settings file.
struct TSettings {
    bool SearchJPG = true;
    bool SearchBMP = true;
    bool SearchGIF = true;
    bool SearchPNG = true;
    bool SearchTIFF = false;
    bool SearchCR2 = false;
    bool SearchSimilar = true;
    bool MoveToRecycle = true;
    bool DeleteWithoutAsking = false;
    bool SearchOnlyIdentical = false;
    bool AutoCheckUpdates = false;
    bool ScanSubfolders = true;
    int32_t MinPicWidth = 100;
    int32_t MinPicHeight = 100;
    // Types beyond the first six: WebP; HEIC, HEIF and AVIF; JPEG XL; camera RAW other than CR2.
    bool SearchWEBP = true;
    bool SearchHEIF = true;
    bool SearchJXL = false;
    bool SearchRAW = false;
    // Also pair pictures that are turned by 90, 180 or 270 degrees or mirrored copies of each other.
    bool SearchRotated = false;

    // Turned copies are looked for only where wavelets are compared at all.
    bool SearchesTurnedCopies() const { return SearchRotated && !SearchOnlyIdentical; }

    bool AnyPictureTypeSelected() const
    {
        return SearchJPG || SearchBMP || SearchGIF || SearchPNG || SearchTIFF || SearchCR2 || SearchWEBP || SearchHEIF
            || SearchJXL || SearchRAW;
    }
};
