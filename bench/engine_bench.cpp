// Generates camera-sized JPEGs (some near-duplicates) and times a whole search over them.
// Usage: engine_bench COUNT FOLDER

#include "camerascene.h"
#include "engine/base/catalogue.h"
#include "engine/base/pictureerror.h"
#include "engine/base/searchobserver.h"
#include "engine/collect/collection.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/pictureloader.h"
#include "engine/sign/pictureprocessing.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{

// Every fifth picture repeats the scene before it, brightened and saved again at a lower
// quality, as an edited copy would be. The others share the encoder and its header bytes, as
// the shots of one camera do.
constexpr int kDuplicateEvery = 5;
constexpr int kBrightening = 6;
constexpr int kDuplicateQuality = 80;

void generatePictures(const QString &folder, int count)
{
    std::atomic<int> next { 0 };
    const auto worker = [&] {
        for (int i = next++; i < count; i = next++) {
            const QString path = QDir(folder).filePath(QString("camera_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            if (QFile::exists(path))
                continue;
            const bool duplicate = i % kDuplicateEvery == kDuplicateEvery - 1;
            const quint32 seed = quint32(duplicate ? i - 1 : i) + 1;
            const QImage scene = DrawCameraScene(seed, duplicate ? kBrightening : 0);
            const QString partial = path + ".part";
            if (duplicate) {
                if (scene.save(partial, "jpg", kDuplicateQuality))
                    QFile::rename(partial, path);
                continue;
            }
            const QByteArray jpeg = EncodeJpeg(scene);
            QFile file(partial);
            if (file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size() && file.flush())
                file.rename(path);
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();
}

struct TBenchObserver : TSearchObserver {
    std::vector<QByteArray> folders;
    std::vector<QByteArray> ListedFolders() const override { return folders; }
};

// The candidate scan of the search, for timing only.
void scanEarlierPictures(const TCatalogue &catalogue, int k, const TSignMatrix &matrix)
{
    const TPicInfo &current = catalogue.Pictures[k];
    if (current.CCVStage != TCCVStage::Full)
        return;
    const QByteArray path = FullPath(catalogue, k);
    for (int i = k - 1; i >= 0; --i) {
        const TPicInfo &candidate = catalogue.Pictures[i];
        if (candidate.CCVStage != TCCVStage::Full || !AspectRatiosComparable(candidate, current))
            continue;
        if (candidate.PreBuffer == current.PreBuffer
            && FilesIdentical(path, FullPath(catalogue, i), [] { return true; }))
            return;
        if (WaveletScore(candidate, matrix) >= 50)
            return;
    }
}

double seconds(qint64 nanoseconds) { return double(nanoseconds) / 1e9; }

}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: engine_bench COUNT FOLDER\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);

    QElapsedTimer timer;
    timer.start();
    generatePictures(folder, count);
    std::printf("generated %d pictures of %d x %d in %.1f s\n", count, kCameraWidth, kCameraHeight,
        seconds(timer.nsecsElapsed()));

    const TSettings settings;
    TBenchObserver observer;
    observer.folders = { QFile::encodeName(QDir(folder).absolutePath()) + '/' };
    TCatalogue catalogue;
    catalogue.SearchStopped = false;

    timer.restart();
    ResetCatalogue(catalogue);
    CollectListedFolders(catalogue, settings, observer);
    TrimAfterCollection(catalogue);
    const qint64 collection = timer.nsecsElapsed();
    timer.restart();
    AllocatePairs(catalogue);
    ProcessPictures(catalogue, settings, observer);
    TrimPairs(catalogue);
    const qint64 processing = timer.nsecsElapsed();

    // A second pass splits the processing time: loading and decoding, signing, and the scan of
    // the earlier pictures, using the signatures the search stored.
    qint64 decoding = 0;
    qint64 signing = 0;
    qint64 comparison = 0;
    QImage workBitmap;
    WaveletMatrix matrix {};
    TSignMatrix signs {};
    for (int k = 0; k < catalogue.PicturesCapacity; ++k) {
        const QByteArray path = FullPath(catalogue, k);
        int height = 0;
        int width = 0;
        timer.restart();
        try {
            LoadPicture(path, workBitmap, height, width, settings);
        } catch (const TPictureError &) {
            continue;
        }
        decoding += timer.nsecsElapsed();
        timer.restart();
        TPreBuffer preBuffer;
        ReadPreBuffer(path, preBuffer);
        PrepareGrayscale(workBitmap, 1);
        ComputeWaveletMatrix(workBitmap, matrix, AverageIntensity(workBitmap));
        TWaveletCoefs positive;
        TWaveletCoefs negative;
        ExtractWaveletCoefs(matrix, positive, negative);
        signing += timer.nsecsElapsed();
        timer.restart();
        RebuildWaveletMatrix(positive, negative, signs);
        scanEarlierPictures(catalogue, k, signs);
        comparison += timer.nsecsElapsed();
    }
    const double total = seconds(collection + processing);

    std::printf("pictures: %d, pairs: %d\n", catalogue.PicturesCapacity, catalogue.PairsLast + 1);
    std::printf("whole search: %.2f s, %.1f pictures/s\n", total, catalogue.PicturesCapacity / total);
    std::printf("collection:  %7.3f s\n", seconds(collection));
    std::printf("decoding:    %7.3f s  (%.1f ms a picture)\n", seconds(decoding),
        1e3 * seconds(decoding) / std::max(1, catalogue.PicturesCapacity));
    std::printf("signature:   %7.3f s  (%.2f ms a picture)\n", seconds(signing),
        1e3 * seconds(signing) / std::max(1, catalogue.PicturesCapacity));
    std::printf("comparison:  %7.3f s  (scans of earlier pictures, byte comparisons included)\n", seconds(comparison));
    return 0;
}
