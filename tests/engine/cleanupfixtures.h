#pragma once

#include "engine/base/catalogue.h"

#include <QByteArray>

#include <vector>

// A picture of a made-up search: a signed picture whose 250 positive positions start at `shift`,
// so two such pictures share 250 minus the difference of their shifts.
struct TCleanupPicture {
    QByteArray Path;
    int Shift = 0;
    int32_t Width = 100;
    int32_t Height = 100;
    int64_t Size = 1000;
    int64_t MTimeNs = 0;
};

// A catalogue as a search leaves it, with `pairs` as its results. Each picture gets its own
// fingerprint unless `sharedFingerprint` is set; the file identity and time come from the file
// when it exists.
TCatalogue MakeCleanupCatalogue(const std::vector<TCleanupPicture> &pictures,
    const std::vector<std::pair<int32_t, int32_t>> &pairs, bool sharedFingerprint = false);
