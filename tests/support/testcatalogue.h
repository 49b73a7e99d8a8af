#pragma once

#include "engine/base/catalogue.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// A picture of a made-up search. Size and time are the file's own where left unset and the file
// exists (1000 bytes and time 0 where it does not); the identity is always the file's. Its 250
// positive positions start at `Shift`, so two such pictures share 250 minus the difference of
// their shifts.
struct TTestPicture {
    static constexpr int64_t kFromFile = -1;
    QByteArray Path;
    int Shift = 0;
    int32_t Width = 100;
    int32_t Height = 100;
    int64_t Size = kFromFile;
    int64_t MTimeNs = kFromFile;
};

struct TTestPair {
    int32_t First;
    int32_t Second;
    double Similarity = 50;
};

// A catalogue as a finished search leaves it, with `pairs` as its results. Each picture gets its
// own fingerprint unless `sharedFingerprint` is set.
TCatalogue MakeTestCatalogue(
    const std::vector<TTestPicture> &pictures, const std::vector<TTestPair> &pairs, bool sharedFingerprint = false);
