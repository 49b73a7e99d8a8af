#pragma once

#include <cstdint>

// The options kept between runs, named by their keys in the settings file. Defaults are those of
// a first run without a settings file.
struct TSettings {
    TSettings();

    // Whether each picture type is searched; keys and defaults are those of PictureTypes().
    bool SearchJPG;
    bool SearchBMP;
    bool SearchGIF;
    bool SearchPNG;
    bool SearchTIFF;
    bool SearchCR2;
    bool SearchWEBP;
    bool SearchHEIF;
    bool SearchJXL;
    bool SearchRAW;
    bool SearchSimilar = true;
    bool MoveToRecycle = true;
    bool DeleteWithoutAsking = false;
    bool SearchOnlyIdentical = false;
    bool AutoCheckUpdates = false;
    bool ScanSubfolders = true;
    int32_t MinPicWidth = 100;
    int32_t MinPicHeight = 100;
    // Also pair pictures that are turned by 90, 180 or 270 degrees or mirrored copies of each other.
    bool SearchRotated = false;

    // Turned copies are looked for only where wavelets are compared at all.
    bool SearchesTurnedCopies() const { return SearchRotated && !SearchOnlyIdentical; }

    bool AnyPictureTypeSelected() const;
};
