#include "engine/base/searchobserver.h"
#include "engine/cleanup/markingrules.h"
#include "engine/cleanup/picturemarks.h"
#include "engine/compare/orientation.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/sign/signpicture.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

struct TRecordingObserver : TSearchObserver {
    TCatalogue *catalogue = nullptr;
    int pumps = 0;
    int stopAtPump = 0;
    QStringList filesCounts;
    QStringList duplicatesFound;

    void Pump() override
    {
        ++pumps;
        if (pumps == stopAtPump)
            catalogue->SearchStopped = true;
    }
    void FilesCountChanged(const QString &caption) override { filesCounts << caption; }
    void DuplicatesFoundChanged(const QString &caption) override { duplicatesFound << caption; }
};

TCatalogue catalogueOf(const QTemporaryDir &folder, const QStringList &names)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, QFile::encodeName(folder.path()) + '/');
    for (const QString &name : names) {
        TPicInfo picture;
        picture.FileName = QFile::encodeName(name);
        AppendPicture(catalogue, picture);
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    catalogue.SearchStopped = false;
    return catalogue;
}

using TPairList = std::vector<std::tuple<int, int, double>>;

TPairList process(
    TCatalogue &catalogue, const TSettings &settings = TSettings {}, TRecordingObserver *observer = nullptr)
{
    TRecordingObserver quiet;
    TRecordingObserver &used = observer ? *observer : quiet;
    used.catalogue = &catalogue;
    ProcessPictures(catalogue, settings, used);
    TrimPairs(catalogue);
    TPairList pairs;
    for (int i = 0; i <= catalogue.PairsLast; ++i)
        pairs.emplace_back(catalogue.Pairs[i].PicIndex1, catalogue.Pairs[i].PicIndex2, catalogue.Pairs[i].Similarity);
    return pairs;
}

TPictureSignature signatureOf(const QString &path)
{
    const std::optional<TPictureSignature> signature = SignPicture(QFile::encodeName(path), TSettings {});
    EXPECT_TRUE(signature.has_value()) << qPrintable(path);
    return signature.value_or(TPictureSignature {});
}

// The similarity the wavelet comparison gives the picture at `currentPath` against the earlier
// one at `earlierPath`, as a pair records it.
double waveletSimilarity(const QString &earlierPath, const QString &currentPath)
{
    const TPictureSignature earlierSignature = signatureOf(earlierPath);
    TPicInfo earlier;
    earlier.WaveletCoefsPos = earlierSignature.WaveletCoefsPos;
    earlier.WaveletCoefsNeg = earlierSignature.WaveletCoefsNeg;
    const TPictureSignature current = signatureOf(currentPath);
    TSignMatrix matrix;
    RebuildWaveletMatrix(current.WaveletCoefsPos, current.WaveletCoefsNeg, matrix);
    return std::clamp((WaveletScore(earlier, matrix) - 50) * 2, 1.0, 100.0);
}

// `jpeg` with a comment segment of `segmentBytes` bytes, marker included, right after its
// start-of-image marker, where some tools put their name and settings.
QByteArray withLeadingComment(const QByteArray &jpeg, int segmentBytes)
{
    const int length = segmentBytes - 2;
    QByteArray segment("\xFF\xFE");
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(QByteArray(length - 2, 'q'));
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// A catalogue entry whose signature shares exactly `matches` signed positions with `current`:
// the same positions, all but the first `matches` with the opposite sign.
void giveHandMadeSignature(TPicInfo &entry, const TPictureSignature &current, int matches)
{
    std::vector<std::pair<TWaveletPoint, bool>> positions;
    for (int j = 0; j < kSignatureSize; ++j) {
        if (current.WaveletCoefsPos.PackedAt(j))
            positions.emplace_back(current.WaveletCoefsPos[j], true);
        if (current.WaveletCoefsNeg.PackedAt(j))
            positions.emplace_back(current.WaveletCoefsNeg[j], false);
    }
    ASSERT_GE(int(positions.size()), matches);
    int positiveCount = 0;
    int negativeCount = 0;
    for (int j = 0; j < int(positions.size()); ++j) {
        const bool positive = positions[j].second == (j < matches);
        if (positive)
            entry.WaveletCoefsPos.Set(positiveCount++, positions[j].first);
        else
            entry.WaveletCoefsNeg.Set(negativeCount++, positions[j].first);
    }
    entry.Height = current.Height;
    entry.Width = current.Width;
    entry.CCVStage = TCCVStage::Full;
}

// Pictures drawn from integers only, so that their pixels are the same on every machine.
QImage integerPattern(int seed, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    quint32 state = quint32(seed) * 2654435761u;
    for (int y = 0; y < height; ++y) {
        uchar *pixel = image.scanLine(y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 28);
            const int band = ((x * (seed + 3)) / (width / 4 + 1) + (y * 5) / (height / 3 + 1)) % 4;
            pixel[0] = uchar((x * 255 / width + band * 40 + noise) & 255);
            pixel[1] = uchar((y * 255 / height + seed * 30 + noise) & 255);
            pixel[2] = uchar(((x + y) * 128 / (width + height) + band * 25 + noise) & 255);
        }
    }
    return image;
}

}

TEST(Pairing, ThreeCopiesPairWithTheirNearestEarlierCopy)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(1, 640, 480), folder.filePath("p.jpg"), "jpg", 90);
    QFile::copy(folder.filePath("p.jpg"), folder.filePath("q.jpg"));
    QFile::copy(folder.filePath("p.jpg"), folder.filePath("r.jpg"));
    TCatalogue catalogue = catalogueOf(folder, { "p.jpg", "q.jpg", "r.jpg" });
    TRecordingObserver observer;
    EXPECT_EQ(process(catalogue, TSettings {}, &observer), (TPairList { { 0, 1, 100.0 }, { 1, 2, 100.0 } }));
    EXPECT_EQ(observer.duplicatesFound, (QStringList { "发现相似图片：1", "发现相似图片：2" }));
    EXPECT_EQ(observer.filesCounts,
        (QStringList {
            "扫描图片总数： 1 / 3", "扫描图片总数： 2 / 3", "扫描图片总数： 3 / 3", "扫描图片总数： 3 / 3" }));
    EXPECT_EQ(catalogue.PicturesLast, 2);
}

TEST(Pairing, NearestEarlierMatchWinsOverAnOlderBetterOne)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(2, 640, 480), folder.filePath("current.jpg"), "jpg", 90);
    const TPictureSignature current = signatureOf(folder.filePath("current.jpg"));
    // Entries whose files do not exist keep the hand-made signatures: loading them fails.
    TCatalogue catalogue = catalogueOf(folder, { "gone0", "gone1", "gone2", "gone3", "gone4", "current.jpg" });
    giveHandMadeSignature(catalogue.Pictures[0], current, 240);
    giveHandMadeSignature(catalogue.Pictures[4], current, 130);
    TRecordingObserver observer;
    EXPECT_EQ(process(catalogue, TSettings {}, &observer), (TPairList { { 4, 5, 4.0 } }));
    EXPECT_EQ(observer.filesCounts.front(), "扫描图片总数： 6 / 6");
}

TEST(Pairing, HalfOfTheSignatureIsTheThreshold)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(4, 640, 480), folder.filePath("current.jpg"), "jpg", 90);
    const TPictureSignature current = signatureOf(folder.filePath("current.jpg"));
    TCatalogue enough = catalogueOf(folder, { "gone", "current.jpg" });
    giveHandMadeSignature(enough.Pictures[0], current, 125);
    EXPECT_EQ(process(enough), (TPairList { { 0, 1, 1.0 } }));
    TCatalogue tooFew = catalogueOf(folder, { "gone", "current.jpg" });
    giveHandMadeSignature(tooFew.Pictures[0], current, 124);
    EXPECT_EQ(process(tooFew), TPairList {});
    TCatalogue most = catalogueOf(folder, { "gone", "current.jpg" });
    giveHandMadeSignature(most.Pictures[0], current, 250);
    EXPECT_EQ(process(most), (TPairList { { 0, 1, 100.0 } }));
}

TEST(Pairing, EqualHeadersButDifferentBytesAreScoredByTheirWavelets)
{
    QTemporaryDir folder;
    const QByteArray photo = EncodeJpeg(DrawScene(6, 640, 480));
    WriteBytes(folder.filePath("photo.jpg"), photo);
    WriteBytes(folder.filePath("appended.jpg"), photo + '\0');
    // Two exports of one tool that start with the same 340-byte comment segment.
    QImage exported = DrawScene(8, 640, 480);
    WriteBytes(folder.filePath("export1.jpg"), withLeadingComment(EncodeJpeg(exported), 340));
    QPainter(&exported).fillRect(500, 20, 60, 40, Qt::yellow);
    WriteBytes(folder.filePath("export2.jpg"), withLeadingComment(EncodeJpeg(exported), 340));
    // Bitmaps are stored bottom-up: these share their header and bottom rows, not their top.
    QImage scene = DrawScene(9, 400, 300);
    WriteBytes(folder.filePath("first.bmp"), EncodeBmp(scene));
    QPainter(&scene).fillRect(40, 20, 120, 90, Qt::darkBlue);
    WriteBytes(folder.filePath("second.bmp"), EncodeBmp(scene));

    const QStringList names { "photo.jpg", "appended.jpg", "export1.jpg", "export2.jpg", "first.bmp", "second.bmp" };
    TPairList wavelet;
    for (int p = 0; p < names.size(); p += 2) {
        const QByteArray earlier = ReadBytes(folder.filePath(names[p]));
        const QByteArray current = ReadBytes(folder.filePath(names[p + 1]));
        ASSERT_EQ(earlier.left(kPreBufferSize), current.left(kPreBufferSize));
        ASSERT_NE(earlier, current);
        wavelet.emplace_back(p, p + 1, waveletSimilarity(folder.filePath(names[p]), folder.filePath(names[p + 1])));
    }
    ASSERT_LT(std::get<2>(wavelet.back()), 100.0) << "a pair that is not scored as identical";

    TCatalogue catalogue = catalogueOf(folder, names);
    EXPECT_EQ(process(catalogue), wavelet);
    TSettings identicalOnly;
    identicalOnly.SearchOnlyIdentical = true;
    TCatalogue onlyIdentical = catalogueOf(folder, names);
    EXPECT_EQ(process(onlyIdentical, identicalOnly), TPairList {});
}

TEST(Pairing, IdenticalOnlyModePairsOnlyEqualBytes)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(7, 640, 480);
    SavePicture(scene, folder.filePath("original.jpg"), "jpg", 90);
    SavePicture(scene, folder.filePath("lower.jpg"), "jpg", 60);
    QFile::copy(folder.filePath("original.jpg"), folder.filePath("copy.jpg"));
    TSettings identicalOnly;
    identicalOnly.SearchOnlyIdentical = true;
    TCatalogue catalogue = catalogueOf(folder, { "original.jpg", "lower.jpg", "copy.jpg" });
    EXPECT_EQ(process(catalogue, identicalOnly), (TPairList { { 0, 2, 100.0 } }));
    for (const TPicInfo &picture : catalogue.Pictures) {
        EXPECT_EQ(picture.CCVStage, TCCVStage::Full);
        EXPECT_EQ(picture.WaveletCoefsPos, TWaveletCoefs {});
        EXPECT_EQ(picture.WaveletCoefsNeg, TWaveletCoefs {});
        EXPECT_NE(picture.PreBuffer, TPreBuffer {});
    }
    TCatalogue similar = catalogueOf(folder, { "original.jpg", "lower.jpg", "copy.jpg" });
    EXPECT_EQ(process(similar).size(), 2u);
}

TEST(Pairing, AspectRatiosWithinOneAndAHalfAreCompared)
{
    const auto sized = [](int width, int height) {
        TPicInfo picture;
        picture.Width = width;
        picture.Height = height;
        return picture;
    };
    EXPECT_TRUE(AspectRatiosComparable(sized(1200, 800), sized(1000, 1000)));
    EXPECT_FALSE(AspectRatiosComparable(sized(1300, 800), sized(1000, 1000)));
    EXPECT_TRUE(AspectRatiosComparable(sized(800, 1200), sized(1200, 800)));
    // 2 / (4/3 rounded to a double) lies a hair above 1.5 in extended precision.
    EXPECT_FALSE(AspectRatiosComparable(sized(2000, 1000), sized(1200, 900)));
}

TEST(Pairing, StopAtThePictureHeadEndsWithoutTheFinalCount)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(8, 320, 240), folder.filePath("a.jpg"), "jpg", 90);
    QFile::copy(folder.filePath("a.jpg"), folder.filePath("b.jpg"));
    TCatalogue catalogue = catalogueOf(folder, { "a.jpg", "b.jpg" });
    TRecordingObserver observer;
    observer.stopAtPump = 2;
    EXPECT_EQ(process(catalogue, TSettings {}, &observer), TPairList {});
    EXPECT_EQ(catalogue.PicturesLast, 0);
    EXPECT_EQ(observer.filesCounts, (QStringList { "扫描图片总数： 1 / 2" }));
}

TEST(Pairing, StopDuringByteComparisonRecordsNoPair)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(9, 640, 480), folder.filePath("a.jpg"), "jpg", 95);
    QFile::copy(folder.filePath("a.jpg"), folder.filePath("b.jpg"));
    TCatalogue catalogue = catalogueOf(folder, { "a.jpg", "b.jpg" });
    TRecordingObserver observer;
    observer.stopAtPump = 3;
    EXPECT_EQ(process(catalogue, TSettings {}, &observer), TPairList {});
    EXPECT_EQ(observer.pumps, 3);
    EXPECT_EQ(observer.filesCounts, (QStringList { "扫描图片总数： 1 / 2" }));
}

TEST(Pairing, UnreadablePicturesNeverEndTheSearch)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(10, 640, 480), folder.filePath("a.jpg"), "jpg", 90);
    QFile::copy(folder.filePath("a.jpg"), folder.filePath("z.jpg"));
    const QByteArray good = ReadBytes(folder.filePath("a.jpg"));
    WriteBytes(folder.filePath("truncated.jpg"), good.left(good.size() / 2));
    WriteBytes(folder.filePath("zero_bytes.png"), {});
    SavePicture(DrawScene(10, 90, 60), folder.filePath("small.png"), "png");
    TCatalogue catalogue
        = catalogueOf(folder, { "a.jpg", "truncated.jpg", "zero_bytes.png", "small.png", "removed.jpg", "z.jpg" });
    TRecordingObserver observer;
    EXPECT_EQ(process(catalogue, TSettings {}, &observer), (TPairList { { 0, 5, 100.0 } }));
    EXPECT_EQ(
        observer.filesCounts, (QStringList { "扫描图片总数： 1 / 6", "扫描图片总数： 6 / 6", "扫描图片总数： 6 / 6" }));
    for (int skipped : { 1, 2, 3, 4 }) {
        EXPECT_EQ(catalogue.Pictures[skipped].CCVStage, TCCVStage::None);
        EXPECT_EQ(catalogue.Pictures[skipped].Height, 0);
        EXPECT_EQ(catalogue.Pictures[skipped].PreBuffer, TPreBuffer {});
    }
}

TEST(Pairing, SignaturesOfGeneratedPicturesDoNotDrift)
{
    QTemporaryDir folder;
    WriteBytes(folder.filePath("small.jpg"), EncodeJpeg(integerPattern(1, 300, 200)));
    WriteBytes(folder.filePath("quarter.jpg"), EncodeJpeg(integerPattern(2, 900, 700)));
    SavePicture(integerPattern(3, 1600, 1200), folder.filePath("eighth.png"), "png");
    const std::vector<std::pair<QString, QByteArray>> golden = {
        { "small.jpg", "24cf76dd87d9c58f72bcc8a46c8e5586d3a26dc6" },
        { "quarter.jpg", "84d7fbdf81904d433d2e2cc8644950f20cd62a25" },
        { "eighth.png", "8b9f14dc7c64ff6b2084e503ea5612f61ad8a251" },
    };
    for (const auto &[name, expectedHash] : golden) {
        const QByteArray text = SignatureText(signatureOf(folder.filePath(name)));
        const QByteArray hash = QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex();
        EXPECT_EQ(hash, expectedHash) << qPrintable(name) << " " << hash.constData() << "\n" << text.constData();
    }
}

TEST(FilesIdentical, ComparesBlockByBlockAndPumpsBetween)
{
    QTemporaryDir folder;
    QByteArray bytes(3000, 'x');
    bytes[2999] = 'y';
    WriteBytes(folder.filePath("a"), bytes);
    WriteBytes(folder.filePath("b"), bytes);
    QByteArray changed = bytes;
    changed[2500] = 'z';
    WriteBytes(folder.filePath("changed"), changed);
    WriteBytes(folder.filePath("longer"), bytes + "!");
    const auto path = [&](const char *name) { return QFile::encodeName(folder.filePath(name)); };

    int pumps = 0;
    const auto countPumps = [&] { return ++pumps > 0; };
    EXPECT_TRUE(FilesIdentical(path("a"), path("b"), countPumps));
    EXPECT_EQ(pumps, 3);
    EXPECT_FALSE(FilesIdentical(path("a"), path("changed"), countPumps));
    EXPECT_FALSE(FilesIdentical(path("a"), path("longer"), countPumps));
    EXPECT_FALSE(FilesIdentical(path("a"), path("missing"), countPumps));
    EXPECT_FALSE(FilesIdentical(path("a"), path("b"), [] { return false; }));
}

TEST(FilesIdentical, FilesLongerThanOneReadAreComparedToTheirLastByte)
{
    QTemporaryDir folder;
    // Two reads' worth exactly, so that the end falls on a read boundary.
    QByteArray bytes(128 * 1024, 'x');
    WriteBytes(folder.filePath("a"), bytes);
    WriteBytes(folder.filePath("b"), bytes);
    WriteBytes(folder.filePath("longer"), bytes + "!");
    QByteArray changed = bytes;
    changed[64 * 1024 - 1] = 'z';
    WriteBytes(folder.filePath("changed"), changed);
    const auto path = [&](const char *name) { return QFile::encodeName(folder.filePath(name)); };

    int pumps = 0;
    const auto countPumps = [&] { return ++pumps > 0; };
    EXPECT_TRUE(FilesIdentical(path("a"), path("b"), countPumps));
    EXPECT_EQ(pumps, 128);
    pumps = 0;
    EXPECT_FALSE(FilesIdentical(path("a"), path("longer"), countPumps));
    EXPECT_EQ(pumps, 128);
    pumps = 0;
    EXPECT_FALSE(FilesIdentical(path("changed"), path("a"), countPumps));
    EXPECT_EQ(pumps, 63);
}

namespace
{

TSettings turnedCopiesSearched()
{
    TSettings settings;
    settings.SearchRotated = true;
    return settings;
}

std::vector<TOrientation> orientationsOf(const TCatalogue &catalogue)
{
    std::vector<TOrientation> orientations;
    for (int i = 0; i <= catalogue.PairsLast; ++i)
        orientations.push_back(catalogue.Pairs[i].Orientation);
    return orientations;
}

}

// Odd sides, so that the working picture of a turned copy samples the turned pixels.
TEST(TurnedCopies, EachOrientationPairsWithTheOriginalOnlyWhenSearchedFor)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(11, 401, 301);
    SavePicture(scene, folder.filePath("original.png"), "png");
    for (int orientation = 1; orientation < kOrientationCount; ++orientation) {
        const QString name = QString::number(orientation) + ".png";
        SavePicture(TurnedPicture(scene, TOrientation(orientation)), folder.filePath(name), "png");
        TCatalogue turned = catalogueOf(folder, { "original.png", name });
        const TPairList pairs = process(turned, turnedCopiesSearched());
        ASSERT_EQ(pairs.size(), 1u) << orientation;
        EXPECT_GT(std::get<2>(pairs[0]), 50.0) << orientation;
        EXPECT_EQ(turned.Pairs[0].Orientation, TOrientation(orientation));
        TCatalogue plain = catalogueOf(folder, { "original.png", name });
        EXPECT_EQ(process(plain), TPairList {}) << orientation;
    }
}

// c plainly matches a; b, nearer, is a mirrored and matches c only turned.
TEST(TurnedCopies, NewestFirstHoldsAcrossOrientations)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(12, 401, 301);
    SavePicture(scene, folder.filePath("a.png"), "png");
    SavePicture(TurnedPicture(scene, TOrientation::MirroredLeftRight), folder.filePath("b.png"), "png");
    SavePicture(scene, folder.filePath("c.jpg"), "jpg", 80);
    TCatalogue turned = catalogueOf(folder, { "a.png", "b.png", "c.jpg" });
    const TPairList pairs = process(turned, turnedCopiesSearched());
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(std::get<0>(pairs[1]), 1);
    EXPECT_EQ(std::get<1>(pairs[1]), 2);
    EXPECT_EQ(orientationsOf(turned),
        (std::vector<TOrientation> { TOrientation::MirroredLeftRight, TOrientation::MirroredLeftRight }));
    TCatalogue plain = catalogueOf(folder, { "a.png", "b.png", "c.jpg" });
    const TPairList plainPairs = process(plain);
    ASSERT_EQ(plainPairs.size(), 1u);
    EXPECT_EQ(std::get<0>(plainPairs[0]), 0);
    EXPECT_EQ(std::get<1>(plainPairs[0]), 2);
}

TEST(TurnedCopies, IdenticalOnlyModeIsUnaffected)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(13, 401, 301);
    SavePicture(scene, folder.filePath("a.png"), "png");
    SavePicture(TurnedPicture(scene, TOrientation::Rotated90), folder.filePath("b.png"), "png");
    QFile::copy(folder.filePath("a.png"), folder.filePath("c.png"));
    TSettings identicalOnly = turnedCopiesSearched();
    identicalOnly.SearchOnlyIdentical = true;
    TCatalogue catalogue = catalogueOf(folder, { "a.png", "b.png", "c.png" });
    EXPECT_EQ(process(catalogue, identicalOnly), (TPairList { { 0, 2, 100.0 } }));
    EXPECT_EQ(orientationsOf(catalogue), std::vector<TOrientation> { TOrientation::Unturned });
}

// Without the option nothing of it is computed, and a signature made without it is never taken
// for a search with it (as the signature store would otherwise do).
TEST(TurnedCopies, TransposedListsExistOnlyWhenSearchedFor)
{
    QTemporaryDir folder;
    SavePicture(DrawScene(14, 401, 301), folder.filePath("a.png"), "png");
    const QByteArray path = QFile::encodeName(folder.filePath("a.png"));
    const std::optional<TPictureSignature> plain = SignPicture(path, TSettings {});
    const std::optional<TPictureSignature> turned = SignPicture(path, turnedCopiesSearched());
    ASSERT_TRUE(plain && turned);
    EXPECT_EQ(SignatureText(*plain), SignatureText(*turned));
    EXPECT_EQ(plain->TransposedCoefsPos, TWaveletCoefs {});
    EXPECT_NE(turned->TransposedCoefsPos, TWaveletCoefs {});

    const QByteArray bytes = ReadBytes(folder.filePath("a.png"));
    std::optional<TPictureSignature> reused;
    EXPECT_FALSE(ReuseSignedContent(SignContent(path, bytes, TSettings {}), turnedCopiesSearched(), reused));
    ASSERT_TRUE(ReuseSignedContent(SignContent(path, bytes, turnedCopiesSearched()), TSettings {}, reused));
    EXPECT_EQ(reused->TransposedCoefsPos, TWaveletCoefs {});
    EXPECT_EQ(SignatureText(*reused), SignatureText(*plain));
}

// The rules judge a copy against its keeper in the orientations the search compared, whichever of
// the two came first; a search without them keeps no turned lists and marks as before.
TEST(TurnedCopies, MarkingRulesSeeTheCopiesTheSearchPaired)
{
    QTemporaryDir folder;
    const QImage scene = DrawScene(15, 401, 301);
    SavePicture(scene, folder.filePath("a.png"), "png");
    SavePicture(TurnedPicture(scene, TOrientation::Rotated90), folder.filePath("b.png"), "png");
    SavePicture(TurnedPicture(scene, TOrientation::MirroredLeftRight), folder.filePath("c.png"), "png");
    SavePicture(scene, folder.filePath("d.jpg"), "jpg", 80);
    const QStringList names { "a.png", "b.png", "c.png", "d.jpg" };
    const auto marked = [](TCatalogue &catalogue, TKeepRule keep, bool turnedCopies) {
        TPictureMarks marks;
        marks.Reset(catalogue);
        TMarkingRule rule;
        rule.Keep = keep;
        rule.MinSimilarity = kLowestMinSimilarity;
        rule.TurnedCopies = turnedCopies;
        ApplyMarkingRule(catalogue, marks, rule);
        return marks.Marked();
    };

    TCatalogue turned = catalogueOf(folder, names);
    ASSERT_EQ(process(turned, turnedCopiesSearched()).size(), 3u);
    EXPECT_EQ(SearchSimilarity(turned, 0, 1, false, true), turned.Pairs[0].Similarity);
    EXPECT_EQ(marked(turned, TKeepRule::MostPixels, true), (std::vector<int32_t> { 1, 2, 3 }));
    turned.Pictures[3].MTimeNs = 1;
    EXPECT_EQ(marked(turned, TKeepRule::Newest, true), (std::vector<int32_t> { 0, 1, 2 }));
    EXPECT_EQ(marked(turned, TKeepRule::MostPixels, false), std::vector<int32_t> { 3 });

    TCatalogue plain = catalogueOf(folder, names);
    const TPairList plainPairs = process(plain);
    ASSERT_EQ(plainPairs.size(), 1u);
    EXPECT_EQ(std::get<1>(plainPairs[0]), 3);
    EXPECT_TRUE(plain.TransposedLists.empty());
    EXPECT_EQ(marked(plain, TKeepRule::MostPixels, false), std::vector<int32_t> { 3 });
}
