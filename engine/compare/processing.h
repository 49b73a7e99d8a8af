#pragma once

#include "engine/base/catalogue.h"
#include "engine/compare/pairing.h"
#include "engine/compare/signaturesource.h"
#include "engine/sign/signature.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TDismissedPairs;
class TSearchObserver;
class TSignatureStore;
struct TSettings;

// How the work of a search is spread, where the pairs found are the same whatever is chosen, and
// the person's decisions it honours.
struct TProcessingOptions {
    // Threads that load and sign pictures ahead of the comparison; 0 means one per core.
    int Threads = 0;
    // Find candidates through the signature index; otherwise score every earlier picture.
    bool UseIndex = true;
    // Loads and signs each picture on the worker threads; when empty, the program's decoders do,
    // through the store where there is one.
    TPictureSigner Signer = {};
    // Contents never paired together ("not duplicates"); null or empty: none.
    std::shared_ptr<const TDismissedPairs> Dismissed = {};
    // Folders (full paths ending with "/") whose pictures are never paired with each other.
    std::vector<QByteArray> ReferenceFolders = {};
};

// Signs every collected picture in catalogue order and pairs each with the nearest earlier
// picture that is byte-identical or shares at least half of its 250 signed wavelet positions.
// Pumps the observer at the head of every picture and during byte comparisons and returns as
// soon as SearchStopped is found set after a pump. Unreadable and too-small pictures are skipped,
// and so are files of a type that is off (SearchedDecoderOf) and pictures that cannot be signed
// for lack of memory; any other exception from signing
// a picture ends the search, thrown from here when that picture's turn comes.
// With a `store`, signatures are taken from it where it has them (unless options.Signer is set,
// which then signs every picture)
// and new ones are added to it; the pairs are the same either way.
void ProcessPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    const TProcessingOptions &options = {}, const std::shared_ptr<TSignatureStore> &store = nullptr);

// The comparison loop of ProcessPictures with the signatures taken from `source`.
void ProcessSignedPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    TSignatureSource &source, const TProcessingOptions &options = {});

// The number of threads that `options` asks for.
int ThreadsToUse(const TProcessingOptions &options);

// Whether both files exist, can be read and hold the same bytes. `pump` runs after every equal
// 1024-byte block pair; when it returns false the comparison gives up and returns false.
bool FilesIdentical(const QByteArray &pathA, const QByteArray &pathB, const std::function<bool()> &pump);
