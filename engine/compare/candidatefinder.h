#pragma once

#include "engine/base/catalogue.h"
#include "engine/compare/orientation.h"
#include "engine/compare/signatureindex.h"
#include "engine/sign/signature.h"

#include <span>
#include <unordered_map>
#include <vector>

// Finds the earlier pictures that can pair with a picture without visiting every earlier
// picture: those that share at least half of its signed wavelet positions (through the
// signature index) and those whose 256-byte fingerprint equals its own (through a hash), which
// may be byte-identical to it however few positions they share. Every other earlier picture
// scores below the pairing threshold.
class TCandidateFinder
{
public:
    // `queriesPerPicture`: 1, or the orientation count when turned copies are searched.
    TCandidateFinder(int32_t pictureCount, int threads, int queriesPerPicture = 1);

    // One picture of a batch with its signature's two lists; none when it takes no part. With
    // `Turned`, the earlier pictures that share enough positions with it in any orientation are
    // found; only the picture as it is goes into the index.
    struct TSigned {
        int32_t Index = 0;
        const TWaveletCoefs *Positive = nullptr;
        const TWaveletCoefs *Negative = nullptr;
        const TTurnedCoefs *Turned = nullptr;
    };

    // Indexes a batch of consecutive pictures and finds, for each, the earlier pictures that share
    // at least `sharedThreshold` signed positions with it, newest first, down to the first that
    // `settles` it. The batch's queries run on the threads, so `settles` must be safe to call
    // from several threads.
    void AddBatch(std::span<const TSigned> batch, int sharedThreshold, const TSignatureIndex::TSettles &settles = {});

    // Picture `index`'s candidates from the last batch and from the fingerprints remembered so
    // far, newest first, each once. A fingerprint is looked up by its hash alone: a picture whose
    // fingerprint merely collides is one more candidate, scored like any other.
    std::vector<int32_t> CandidatesOf(int32_t index, const TPreBuffer &preBuffer) const;

    // Makes picture `index` a fingerprint candidate for the pictures after it.
    void RememberFingerprint(int32_t index, const TPreBuffer &preBuffer);

    std::size_t MemoryUsage() const;

private:
    static std::size_t fingerprintHash(const TPreBuffer &preBuffer);

    TSignatureIndex m_index;
    int m_threads;
    int32_t m_batchStart = 0;
    std::vector<std::vector<int32_t>> m_batchMatches;
    std::unordered_map<std::size_t, std::vector<int32_t>> m_fingerprints;
};
