#include "engine/compare/processing.h"

#include "engine/base/picturedecoder.h"
#include "engine/base/rawpathfile.h"
#include "engine/base/searchobserver.h"
#include "engine/compare/candidatefinder.h"
#include "engine/compare/orientation.h"
#include "engine/compare/pairexclusions.h"
#include "engine/compare/signingpipeline.h"
#include "engine/sign/decoding.h"
#include "engine/store/storedsigner.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

constexpr qint64 kCompareBlockSize = 1024;
// Bytes read from each file at once: far fewer system calls than one per block, while the blocks
// are still compared, and the pump run, one at a time.
constexpr qint64 kCompareReadSize = 64 * kCompareBlockSize;

// Fills `buffer` as far as the file goes; -1 after a read error.
qint64 readFully(QFile &file, char *buffer, qint64 size)
{
    qint64 filled = 0;
    while (filled < size) {
        const qint64 count = file.read(buffer + filled, size - filled);
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += count;
    }
    return filled;
}

QString filesCountCaption(int32_t done, int32_t total)
{
    return QCoreApplication::translate("Search", "扫描图片总数： %1 / %2").arg(done).arg(total);
}

}

namespace
{

constexpr int kSharedPositionsToPair = 125;
constexpr int32_t kMaxBatch = 256;
constexpr int kWindowPerThread = 8;

enum class TScanResult { NoPair, Paired, Stopped };

// Per picture, the hash of the content its signature came from, where the signer knew it.
using TContentHashes = TSearchExclusions::TContentHashes;

// Scores the candidates of picture k, newest first, and records the first that reaches the
// pairing threshold and is not ruled out, exactly as a scan over every earlier picture would.
template <typename Candidates>
TScanResult scanCandidates(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer, int32_t k,
    const TCurrentMatrices &currentMatrices, const TContentHashes &contentHashes, TSearchExclusions &exclusions,
    const Candidates &candidates)
{
    const TPicInfo &current = catalogue.Pictures[k];
    const QByteArray path = FullPath(catalogue, k);
    const auto pumpAndGoOn = [&] {
        observer.Pump();
        return !catalogue.SearchStopped;
    };
    for (const int32_t i : candidates) {
        const TPairVerdict verdict
            = JudgePair(catalogue.Pictures[i], current, currentMatrices, settings.SearchOnlyIdentical, [&] {
                  // Hashes of the bytes both signatures came from answer without reading the files,
                  // which dominated a repeated search of a library full of copies.
                  const std::optional<TContentHash> &currentHash = contentHashes[std::size_t(k)];
                  const std::optional<TContentHash> &candidateHash = contentHashes[std::size_t(i)];
                  bool identical = false;
                  if (currentHash && candidateHash)
                      identical = *currentHash == *candidateHash;
                  else
                      identical = FilesIdentical(path, FullPath(catalogue, i), pumpAndGoOn);
                  // The pumps may have let the front end stop the search and empty the catalogue.
                  if (catalogue.SearchStopped)
                      return TContentsCompared::Stopped;
                  return identical ? TContentsCompared::Identical : TContentsCompared::Different;
              });
        if (verdict.Stopped)
            return TScanResult::Stopped;
        if (verdict.Pairing && exclusions.IsActive() && exclusions.Excludes(i, k))
            continue;
        if (verdict.Pairing) {
            AppendPair(catalogue, i, k, verdict.Pairing->Similarity, verdict.Pairing->Orientation);
            observer.DuplicatesFoundChanged(
                QCoreApplication::translate("Search", "发现相似图片：%1").arg(catalogue.PairsLast + 1));
            return TScanResult::Paired;
        }
    }
    return TScanResult::NoPair;
}

// `signer` for the pictures of the types searched: a type that is off decodes nothing, also in a
// file that a mask of another type collected.
TPictureSigner searchedTypesOnly(TPictureSigner signer)
{
    return [signer = std::move(signer)](
               const QByteArray &path, const TSettings &settings) -> std::optional<TPictureSignature> {
        if (SearchedDecoderOf(path, settings) == TPictureDecoder::None)
            return std::nullopt;
        return signer(path, settings);
    };
}

// Passes the signatures on and tells the observer how many came from the store.
class TStoreCountingSource : public TSignatureSource
{
public:
    TStoreCountingSource(TSignatureSource &source, const TStoredSigner &signer, TSearchObserver &observer)
        : m_source(source)
        , m_signer(signer)
        , m_observer(observer)
    {
    }

    std::optional<TPictureSignature> Take(int32_t index) override
    {
        std::optional<TPictureSignature> signature = m_source.Take(index);
        const int32_t fromStore = m_signer.FromStore();
        const int32_t decoded = m_signer.Decoded();
        if (fromStore != m_fromStore || decoded != m_decoded) {
            m_fromStore = fromStore;
            m_decoded = decoded;
            m_observer.SignaturesCountChanged(fromStore, decoded);
        }
        return signature;
    }
    bool IsReady(int32_t index) override { return m_source.IsReady(index); }

private:
    TSignatureSource &m_source;
    const TStoredSigner &m_signer;
    TSearchObserver &m_observer;
    int32_t m_fromStore = -1;
    int32_t m_decoded = -1;
};

// Every earlier picture, newest first: the plain scan.
struct TEveryEarlierPicture {
    int32_t Count;
    struct Iterator {
        int32_t Index;
        int32_t operator*() const { return Index; }
        Iterator &operator++()
        {
            --Index;
            return *this;
        }
        bool operator!=(const Iterator &other) const { return Index != other.Index; }
    };
    Iterator begin() const { return { Count - 1 }; }
    Iterator end() const { return { -1 }; }
};

}

int ThreadsToUse(const TProcessingOptions &options)
{
    return options.Threads > 0 ? options.Threads : std::max(QThread::idealThreadCount(), 1);
}

void ProcessPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    const TProcessingOptions &options, const std::shared_ptr<TSignatureStore> &store)
{
    const int threads = ThreadsToUse(options);
    std::vector<QByteArray> paths;
    paths.reserve(catalogue.PicturesLast + 1);
    for (int32_t k = 0; k < catalogue.PicturesLast + 1; ++k)
        paths.push_back(FullPath(catalogue, k));
    const int window = threads * kWindowPerThread + kMaxBatch;
    // A signer of the caller's signs every picture itself, without the store.
    if (!store || options.Signer) {
        const TPictureSigner decoders = [](const QByteArray &path, const TSettings &pictureSettings) {
            return Decoding().SignPicture(path, pictureSettings);
        };
        TSigningPipeline pipeline(std::move(paths), settings, threads, window, kMaxDecodeTime,
            searchedTypesOnly(options.Signer ? options.Signer : decoders));
        ProcessSignedPictures(catalogue, settings, observer, pipeline, options);
        return;
    }
    // Held by the workers too, which may outlive this search when a decode is left behind.
    const auto signer = std::make_shared<TStoredSigner>(store, kMaxDecodeTime);
    TSigningPipeline pipeline(std::move(paths), settings, threads, window, kMaxDecodeTime,
        searchedTypesOnly([signer](const QByteArray &path, const TSettings &pictureSettings) {
            return signer->Sign(path, pictureSettings);
        }));
    TStoreCountingSource source(pipeline, *signer, observer);
    ProcessSignedPictures(catalogue, settings, observer, source, options);
    store->ExpireOldEntries();
}

void ProcessSignedPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    TSignatureSource &source, const TProcessingOptions &options)
{
    const int32_t count = catalogue.PicturesLast + 1;
    const int threads = ThreadsToUse(options);
    const bool useIndex = options.UseIndex;
    const bool turnedToo = settings.SearchesTurnedCopies();
    TCandidateFinder finder(useIndex ? count : 0, threads, turnedToo ? kOrientationCount : 1);
    std::vector<std::optional<TPictureSignature>> batch;
    // Growing by doubling would touch twice the memory a full batch needs.
    batch.reserve(std::size_t(kMaxBatch));
    int32_t batchStart = 0;
    TSignMatrix currentMatrix {};
    TSignMatrix transposedMatrix {};
    const TCurrentMatrices currentMatrices { currentMatrix, turnedToo ? &transposedMatrix : nullptr };
    TContentHashes contentHashes(static_cast<std::size_t>(count));
    SetPairExclusions(catalogue, options.ReferenceFolders, options.Dismissed);
    TSearchExclusions exclusions(catalogue, contentHashes);

    for (int32_t k = 0; k < count; ++k) {
        observer.Pump();
        if (catalogue.SearchStopped)
            return;
        catalogue.PicturesLast = k;
        if (k >= batchStart + int32_t(batch.size())) {
            // Take what the workers have ready, so that the index answers many pictures at once.
            batchStart = k;
            batch.clear();
            batch.push_back(source.Take(k));
            while (int32_t(batch.size()) < kMaxBatch && k + int32_t(batch.size()) < count
                && source.IsReady(k + int32_t(batch.size())))
                batch.push_back(source.Take(k + int32_t(batch.size())));
            if (useIndex) {
                std::vector<TCandidateFinder::TSigned> signedPictures;
                std::vector<TTurnedCoefs> turned(turnedToo ? batch.size() : 0);
                for (std::size_t b = 0; b < batch.size(); ++b) {
                    const int32_t index = batchStart + int32_t(b);
                    // A picture that fails to sign keeps its entry as it was, which a scan over
                    // every earlier picture would still look at.
                    const TPicInfo &entry = catalogue.Pictures[index];
                    if (batch[b] && turnedToo) {
                        const TPictureSignature &signature = *batch[b];
                        turned[b] = TurnWaveletCoefs({ signature.WaveletCoefsPos, signature.WaveletCoefsNeg },
                            { signature.TransposedCoefsPos, signature.TransposedCoefsNeg });
                        signedPictures.push_back(
                            { index, &signature.WaveletCoefsPos, &signature.WaveletCoefsNeg, &turned[b] });
                    } else if (batch[b])
                        signedPictures.push_back({ index, &batch[b]->WaveletCoefsPos, &batch[b]->WaveletCoefsNeg });
                    else if (entry.CCVStage == TCCVStage::Full)
                        signedPictures.push_back({ index, &entry.WaveletCoefsPos, &entry.WaveletCoefsNeg });
                }
                // A match settles a picture when the scan is sure to pair the two: it compares them,
                // and they pair whether their bytes turn out equal or not. Only entries before the
                // batch are final.
                const auto settles = [&](int32_t earlier, int32_t picture) {
                    const std::optional<TPictureSignature> &signature = batch[std::size_t(picture - batchStart)];
                    if (settings.SearchOnlyIdentical || earlier >= batchStart || !signature)
                        return false;
                    // A match that may be ruled out leaves the earlier ones to look at.
                    if (exclusions.IsActive() && exclusions.MayExclude(earlier, picture, signature->ContentHash))
                        return false;
                    return ComparedBySearch(
                        catalogue.Pictures[earlier], catalogue.Pictures[picture], signature->Height, signature->Width);
                };
                finder.AddBatch(signedPictures,
                    settings.SearchOnlyIdentical ? kSignatureSize * 2 + 1 : kSharedPositionsToPair, settles);
            }
        }
        const std::optional<TPictureSignature> &signature = batch[k - batchStart];
        if (!signature) {
            if (useIndex && catalogue.Pictures[k].CCVStage == TCCVStage::Full)
                finder.RememberFingerprint(k, catalogue.Pictures[k].PreBuffer);
            continue;
        }
        TPicInfo &current = catalogue.Pictures[k];
        current.Height = signature->Height;
        current.Width = signature->Width;
        current.PreBuffer = signature->PreBuffer;
        current.WaveletCoefsPos = signature->WaveletCoefsPos;
        current.WaveletCoefsNeg = signature->WaveletCoefsNeg;
        if (!settings.SearchOnlyIdentical)
            RebuildWaveletMatrix(current.WaveletCoefsPos, current.WaveletCoefsNeg, currentMatrix);
        if (turnedToo)
            RebuildWaveletMatrix(signature->TransposedCoefsPos, signature->TransposedCoefsNeg, transposedMatrix);
        current.CCVStage = TCCVStage::Full;
        contentHashes[std::size_t(k)] = signature->ContentHash;

        const TScanResult result = useIndex ? scanCandidates(catalogue, settings, observer, k, currentMatrices,
                                       contentHashes, exclusions, finder.CandidatesOf(k, current.PreBuffer))
                                            : scanCandidates(catalogue, settings, observer, k, currentMatrices,
                                                contentHashes, exclusions, TEveryEarlierPicture { k });
        if (result == TScanResult::Stopped)
            return;
        if (result == TScanResult::Paired && turnedToo)
            catalogue.TransposedLists[k] = { signature->TransposedCoefsPos, signature->TransposedCoefsNeg };
        if (result == TScanResult::Paired) {
            const TPicturePair &pair = catalogue.Pairs[std::size_t(catalogue.PairsLast)];
            for (const int32_t member : { pair.PicIndex1, pair.PicIndex2 }) {
                // The rules judge every two pictures of a group by their contents too.
                if (catalogue.Dismissed)
                    exclusions.HashOf(member);
                if (const std::optional<TContentHash> &hash = contentHashes[std::size_t(member)])
                    catalogue.ContentHashes[member] = *hash;
            }
        }
        if (useIndex)
            finder.RememberFingerprint(k, current.PreBuffer);
        observer.FilesCountChanged(filesCountCaption(k + 1, count));
    }
    observer.FilesCountChanged(filesCountCaption(catalogue.PicturesLast + 1, count));
}

bool FilesIdentical(const QByteArray &pathA, const QByteArray &pathB, const std::function<bool()> &pump)
{
    QFile fileA;
    QFile fileB;
    if (!OpenForReading(fileA, pathA) || !OpenForReading(fileB, pathB))
        return false;
    std::vector<char> bytesA(kCompareReadSize);
    std::vector<char> bytesB(kCompareReadSize);
    for (;;) {
        const qint64 filledA = readFully(fileA, bytesA.data(), kCompareReadSize);
        const qint64 filledB = readFully(fileB, bytesB.data(), kCompareReadSize);
        if (filledA < 0 || filledB < 0)
            return false;
        // Block by block, as if each were read on its own: the counts of the first block pair that
        // differs in length end the comparison, after as many pumps as before.
        for (qint64 offset = 0;; offset += kCompareBlockSize) {
            const qint64 countA = std::clamp(filledA - offset, qint64(0), kCompareBlockSize);
            const qint64 countB = std::clamp(filledB - offset, qint64(0), kCompareBlockSize);
            if (countA != countB)
                return false;
            if (countA == 0)
                return true;
            if (std::memcmp(bytesA.data() + offset, bytesB.data() + offset, size_t(countA)) != 0)
                return false;
            if (pump && !pump())
                return false;
            if (offset + kCompareBlockSize >= kCompareReadSize)
                break;
        }
    }
}
