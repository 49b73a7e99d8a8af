#include "engine/base/searchobserver.h"
#include "engine/compare/processing.h"
#include "engine/results/resultwriter.h"
#include "engine/search.h"
#include "picturefixtures.h"
#include "settings/settings.h"
#include "signaturefixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

struct TFolderObserver : TSearchObserver {
    QByteArray Folder;
    std::vector<QByteArray> ListedFolders() const override { return { Folder }; }
};

// Scenes, their near-duplicates (resized, re-encoded, converted, one byte appended), exact copies,
// and bitmaps with equal fingerprints but different content, spread over folders so that they
// interleave.
void fillLibrary(const QString &root)
{
    for (int scene = 0; scene < 8; ++scene) {
        const QString folder = root + QStringLiteral("/set%1").arg(scene % 3);
        QDir().mkpath(folder);
        const QImage picture = DrawScene(quint32(100 + scene), 640, 480);
        const QString name = folder + QStringLiteral("/scene%1").arg(scene);
        SavePicture(picture, name + ".jpg", "jpg", 92);
        SavePicture(
            picture.scaled(480, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), name + "_small.jpg", "jpg", 92);
        SavePicture(picture, name + "_low.jpg", "jpg", 40);
        SavePicture(picture, name + ".png", "png");
        if (scene % 2 == 0)
            QFile::copy(name + ".jpg", name + "_copy.jpg");
        else
            WriteBytes(name + ".jpeg", ReadBytes(name + ".jpg") + '\n');
    }
    QImage top = DrawScene(7, 320, 240).convertToFormat(QImage::Format_RGB888);
    QImage other = top.copy();
    other.fill(Qt::darkGreen);
    for (int y = 120; y < 240; ++y)
        std::memcpy(other.scanLine(y), top.scanLine(y), size_t(top.bytesPerLine()));
    WriteBytes(root + "/set1/header_a.bmp", EncodeBmp(top));
    WriteBytes(root + "/set2/header_b.bmp", EncodeBmp(other));
    WriteBytes(root + "/set2/header_c.bmp", EncodeBmp(top));
}

// Precomputed signatures handed out as a signing pipeline would: whether the next one is ready
// follows a fixed irregular pattern, so that the comparison takes batches of many sizes.
class TBurstySource : public TSignatureSource
{
public:
    explicit TBurstySource(const std::vector<std::optional<TPictureSignature>> &signatures)
        : m_signatures(signatures)
    {
    }
    std::optional<TPictureSignature> Take(int32_t index) override { return m_signatures[std::size_t(index)]; }
    bool IsReady(int32_t index) override { return (uint32_t(index) * 2654435761u) >> 26 != 0; }

private:
    const std::vector<std::optional<TPictureSignature>> &m_signatures;
};

struct TSyntheticLibrary {
    QByteArray Folder;
    std::vector<TPicInfo> Entries;
    std::vector<std::optional<TPictureSignature>> Signatures;
};

// Gives `signature` the positions of `original` with the first `swapped` pairs of opposite sign
// exchanged, so that the two share 2 * `swapped` positions fewer.
void swapSigns(TPictureSignature &signature, const TPictureSignature &original, int swapped)
{
    signature.WaveletCoefsPos = original.WaveletCoefsPos;
    signature.WaveletCoefsNeg = original.WaveletCoefsNeg;
    for (int j = 0; j < swapped; ++j) {
        signature.WaveletCoefsPos.Set(j, original.WaveletCoefsNeg[j]);
        signature.WaveletCoefsNeg.Set(j, original.WaveletCoefsPos[j]);
    }
}

// Clustered signatures where most pictures copy the signature of an earlier one, 1 to 451
// pictures back (in the same batch, in earlier batches and blocks), with in turn everything that
// keeps such a match from pairing: aspect ratios too far apart, one file reached twice, and an
// earlier picture whose entry was signed before but whose new signature differs; files with an
// equal fingerprint that are different and look alike to any degree, that are byte-identical
// (also without a wavelet position, as flat pictures), or that are different and unrelated, each
// written into `folder`; and pictures that fail to sign, with or without an entry signed before.
TSyntheticLibrary makeSyntheticLibrary(int count, const QString &folder)
{
    const std::vector<TSignatureLists> lists = MakeClusteredSignatures(count, 2026);
    TSyntheticLibrary library;
    library.Folder = QFile::encodeName(folder) + '/';
    std::vector<QByteArray> contents(static_cast<std::size_t>(count));
    const auto fileOf = [&](int n, const TPictureSignature &signature) -> QByteArray & {
        QByteArray &content = contents[std::size_t(n)];
        if (content.isEmpty())
            content = QByteArray(reinterpret_cast<const char *>(signature.PreBuffer.data()), kPreBufferSize)
                + QByteArray::number(n);
        return content;
    };
    library.Entries.resize(std::size_t(count));
    library.Signatures.resize(std::size_t(count));
    const auto signedEntry = [](TPicInfo entry, const TPictureSignature &signature) {
        entry.CCVStage = TCCVStage::Full;
        entry.Height = signature.Height;
        entry.Width = signature.Width;
        entry.PreBuffer = signature.PreBuffer;
        entry.WaveletCoefsPos = signature.WaveletCoefsPos;
        entry.WaveletCoefsNeg = signature.WaveletCoefsNeg;
        return entry;
    };
    for (int n = 0; n < count; ++n) {
        TPictureSignature signature = NumberedSignature(lists[std::size_t(n)], n);
        TPicInfo entry;
        entry.FileName = QByteArray::number(n) + ".jpg";
        entry.Device = 1;
        entry.Inode = uint64_t(n) + 1;

        const int kind = n % 7;
        const int earlier = kind == 4 ? n - 1 : n - 1 - (n / 7 % 4) * 150;
        if (kind < 6 && earlier >= 0 && library.Signatures[std::size_t(earlier)]) {
            TPictureSignature &original = *library.Signatures[std::size_t(earlier)];
            TPicInfo &originalEntry = library.Entries[std::size_t(earlier)];
            signature.WaveletCoefsPos = original.WaveletCoefsPos;
            signature.WaveletCoefsNeg = original.WaveletCoefsNeg;
            switch (kind) {
            case 0:
                signature.Width = original.Width * 8 / 5;
                break;
            case 1:
                entry.Inode = originalEntry.Inode;
                break;
            case 2:
                signature.PreBuffer = original.PreBuffer;
                switch (n / 28 % 4) {
                case 0:
                    swapSigns(signature, original, n % 80);
                    fileOf(n, signature);
                    break;
                case 1:
                    fileOf(n, signature) = fileOf(earlier, original);
                    break;
                case 2:
                    original.WaveletCoefsPos = signature.WaveletCoefsPos = {};
                    original.WaveletCoefsNeg = signature.WaveletCoefsNeg = {};
                    fileOf(n, signature) = fileOf(earlier, original);
                    break;
                default:
                    signature.WaveletCoefsPos = lists[std::size_t(n)].Positive;
                    signature.WaveletCoefsNeg = lists[std::size_t(n)].Negative;
                    fileOf(n, signature);
                    break;
                }
                fileOf(earlier, original);
                break;
            case 4:
                originalEntry = signedEntry(originalEntry, original);
                original.Width = originalEntry.Width * 8 / 5;
                break;
            case 5:
                originalEntry = signedEntry(originalEntry, original);
                library.Signatures[std::size_t(earlier)].reset();
                break;
            default:
                break;
            }
        }
        library.Entries[std::size_t(n)] = entry;
        if (n % 29 != 3)
            library.Signatures[std::size_t(n)] = signature;
    }
    for (int n = 0; n < count; ++n) {
        if (!contents[std::size_t(n)].isEmpty())
            WriteBytes(
                folder + '/' + QString::fromLatin1(library.Entries[std::size_t(n)].FileName), contents[std::size_t(n)]);
    }
    return library;
}

std::vector<std::tuple<int32_t, int32_t, double>> pairsOf(
    const TSyntheticLibrary &library, const TSettings &settings, const TProcessingOptions &options)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, library.Folder);
    for (const TPicInfo &entry : library.Entries) {
        AppendPicture(catalogue, entry);
        // As though an earlier pass had signed it; a collection never leaves an entry signed.
        catalogue.Pictures[std::size_t(catalogue.PicturesLast)].CCVStage = entry.CCVStage;
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    catalogue.SearchStopped = false;
    TSearchObserver observer;
    TBurstySource source(library.Signatures);
    ProcessSignedPictures(catalogue, settings, observer, source, options);
    std::vector<std::tuple<int32_t, int32_t, double>> pairs;
    for (int32_t p = 0; p <= catalogue.PairsLast; ++p) {
        const TPicturePair &pair = catalogue.Pairs[std::size_t(p)];
        pairs.emplace_back(pair.PicIndex1, pair.PicIndex2, pair.Similarity);
    }
    return pairs;
}

QByteArray searchCsv(const QString &root, const TSettings &settings, TProcessingOptions options)
{
    TCatalogue catalogue;
    TFolderObserver observer;
    observer.Folder = QFile::encodeName(root) + '/';
    catalogue.SearchStopped = false;
    RunSearchSteps(catalogue, settings, observer, options);
    return BuildCsv(catalogue);
}

}

TEST(ProcessingEquivalence, PairsAreTheSameWithAnyThreadCountAndWithOrWithoutTheIndex)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    for (const bool identicalOnly : { false, true }) {
        TSettings settings;
        settings.SearchOnlyIdentical = identicalOnly;
        const QByteArray plain = searchCsv(root.path(), settings, { 1, false });
        EXPECT_EQ(searchCsv(root.path(), settings, { 1, true }), plain);
        EXPECT_EQ(searchCsv(root.path(), settings, { 4, true }), plain);
        EXPECT_EQ(searchCsv(root.path(), settings, { 3, false }), plain);
        // Every variant pairs within its scene (8 scenes of 5 files; the appended-byte copy sorts
        // just before its original), and of the bitmaps with equal fingerprints the byte-equal one
        // pairs; identical-only mode pairs the byte-equal copies alone.
        const int pairs = identicalOnly ? 4 + 1 : 8 * 4 + 1;
        EXPECT_EQ(int(plain.count("\r\n")), 1 + 2 * pairs);
        EXPECT_TRUE(plain.contains("header_c.bmp"));
    }
}

TEST(ProcessingEquivalence, EveryBatchingAndThreadCountPairsLikeTheScanOverEveryEarlierPicture)
{
    QTemporaryDir folder;
    const TSyntheticLibrary library = makeSyntheticLibrary(2000, folder.path());
    for (const bool identicalOnly : { false, true }) {
        TSettings settings;
        settings.SearchOnlyIdentical = identicalOnly;
        const auto plain = pairsOf(library, settings, { 1, false });
        EXPECT_EQ(pairsOf(library, settings, { 1, true }), plain);
        EXPECT_EQ(pairsOf(library, settings, { 2, true }), plain);
        EXPECT_EQ(pairsOf(library, settings, { 3, true }), plain);
        EXPECT_GT(plain.size(), identicalOnly ? 80u : 400u);
    }
    // Turned copies: every fifth picture lies like a turned copy of one well before it, so that
    // queries in turned orientations find matches that newer, unturned ones may come before.
    TSyntheticLibrary turned = library;
    for (std::size_t n = 40; n < turned.Signatures.size(); n += 5) {
        if (turned.Signatures[n] && library.Signatures[n - 37]) {
            turned.Signatures[n]->TransposedCoefsPos = library.Signatures[n - 37]->WaveletCoefsPos;
            turned.Signatures[n]->TransposedCoefsNeg = library.Signatures[n - 37]->WaveletCoefsNeg;
        }
    }
    TSettings rotated;
    rotated.SearchRotated = true;
    const auto plain = pairsOf(turned, rotated, { 1, false });
    EXPECT_EQ(pairsOf(turned, rotated, { 1, true }), plain);
    EXPECT_EQ(pairsOf(turned, rotated, { 3, true }), plain);
    EXPECT_GT(plain.size(), pairsOf(library, TSettings {}, { 1, true }).size() + 100);
}
