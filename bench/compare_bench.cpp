// Times the comparison phase alone on signatures of realistic pictures: 128 x 128 cuts of real
// photographs at random positions, scales and colour shifts, with 1% planted near-duplicates.
// Prints, per size, the time and pairs found, the growth exponent between sizes, the time of
// the plain newest-first scan at one size, and the peak memory per picture at the largest size.
// With --rotations, each size is also compared searching for turned copies, and the times set
// side by side.
//
// usage: compare_bench PHOTO_FOLDER [SIZE...] [--plain-at N] [--threads N] [--rotations]

#include "engine/base/searchobserver.h"
#include "engine/compare/orientation.h"
#include "engine/compare/processing.h"
#include "engine/sign/pictureprocessing.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <thread>
#include <type_traits>

namespace
{

constexpr int kLongestPhotoSide = 1024;
constexpr int kMinPhotoSide = 300;
constexpr double kPlantedShare = 0.01;

struct TCut {
    int Photo = 0;
    double Left = 0, Top = 0, Width = 1, Height = 1; // as fractions of the photo
    int Shift[3] = { 0, 0, 0 };
};

std::vector<QImage> loadPhotos(const QString &folder)
{
    std::vector<QImage> photos;
    QDirIterator files(folder, { "*.jpg", "*.jpeg", "*.png", "*.JPG" }, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QImageReader reader(files.next());
        const QSize size = reader.size();
        if (size.width() < kMinPhotoSide || size.height() < kMinPhotoSide)
            continue;
        reader.setScaledSize(size.scaled(kLongestPhotoSide, kLongestPhotoSide, Qt::KeepAspectRatio));
        QImage photo = reader.read();
        if (!photo.isNull())
            photos.push_back(photo.convertToFormat(QImage::Format_RGB888));
    }
    return photos;
}

TCut randomCut(std::mt19937 &random, int photoCount)
{
    std::uniform_real_distribution<double> unit(0, 1);
    TCut cut;
    cut.Photo = int(random() % unsigned(photoCount));
    cut.Width = 0.2 + 0.8 * unit(random);
    cut.Height = std::clamp(cut.Width * (0.6 + 0.8 * unit(random)), 0.15, 1.0);
    cut.Left = (1 - cut.Width) * unit(random);
    cut.Top = (1 - cut.Height) * unit(random);
    for (int &shift : cut.Shift)
        shift = int(random() % 61) - 30;
    return cut;
}

// A near-duplicate: the same cut moved, scaled and recoloured a little.
TCut nearCopy(TCut cut, std::mt19937 &random)
{
    std::uniform_real_distribution<double> small(-0.01, 0.01);
    cut.Left = std::clamp(cut.Left + small(random), 0.0, 1 - cut.Width);
    cut.Top = std::clamp(cut.Top + small(random), 0.0, 1 - cut.Height);
    for (int &shift : cut.Shift)
        shift += int(random() % 7) - 3;
    return cut;
}

TPictureSignature sign(const std::vector<QImage> &photos, const TCut &cut, uint32_t seed)
{
    const QImage &photo = photos[cut.Photo];
    QImage work(kWorkBitmapSize, kWorkBitmapSize, QImage::Format_BGR888);
    const double left = cut.Left * photo.width(), top = cut.Top * photo.height();
    const double width = cut.Width * photo.width(), height = cut.Height * photo.height();
    for (int y = 0; y < kWorkBitmapSize; ++y) {
        const uchar *source = photo.constScanLine(std::min(int(top + (y + 0.5) * height / 128), photo.height() - 1));
        uchar *target = work.scanLine(y);
        for (int x = 0; x < kWorkBitmapSize; ++x) {
            const int column = std::min(int(left + (x + 0.5) * width / 128), photo.width() - 1);
            for (int c = 0; c < 3; ++c)
                target[3 * x + 2 - c] = uchar(std::clamp(source[3 * column + c] + cut.Shift[c], 0, 255));
        }
    }
    PrepareGrayscale(work, 1);
    WaveletMatrix matrix {};
    ComputeWaveletMatrix(work, matrix, AverageIntensity(work));
    TPictureSignature signature;
    ExtractWaveletCoefs(matrix, signature.WaveletCoefsPos, signature.WaveletCoefsNeg);
    ComputeWaveletMatrix(TransposedGrey(work), matrix, AverageIntensity(work));
    ExtractWaveletCoefs(matrix, signature.TransposedCoefsPos, signature.TransposedCoefsNeg);
    signature.Width = int(width * 4);
    signature.Height = int(height * 4);
    std::mt19937 bytes(seed);
    for (uint8_t &byte : signature.PreBuffer)
        byte = uint8_t(bytes());
    return signature;
}

std::vector<TPictureSignature> makeSignatures(const std::vector<QImage> &photos, int count)
{
    std::mt19937 random(2026);
    std::vector<TCut> cuts;
    for (int n = 0; n < count; ++n) {
        const bool planted = n > 0 && std::uniform_real_distribution<double>(0, 1)(random) < kPlantedShare;
        cuts.push_back(
            planted ? nearCopy(cuts[random() % unsigned(n)], random) : randomCut(random, int(photos.size())));
    }
    std::vector<TPictureSignature> signatures(count);
    std::vector<std::thread> workers;
    const int threads = std::max(1u, std::thread::hardware_concurrency());
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int n = t; n < count; n += threads)
                signatures[n] = sign(photos, cuts[n], uint32_t(n));
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    return signatures;
}

class TPrecomputed : public TSignatureSource
{
public:
    explicit TPrecomputed(const std::vector<TPictureSignature> &signatures)
        : m_signatures(signatures)
    {
    }
    std::optional<TPictureSignature> Take(int32_t index) override { return m_signatures[index]; }
    bool IsReady(int32_t) override { return true; }

private:
    const std::vector<TPictureSignature> &m_signatures;
};

long statusKilobytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field)));
    }
    return 0;
}

void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Processor time of all threads, which a machine shared with other work skews less than the clock.
double processorSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct TRun {
    double Seconds = 0;
    double ProcessorSeconds = 0;
    int Pairs = 0;
    long PeakKilobytes = 0;
};

TRun compare(
    const std::vector<TPictureSignature> &signatures, int count, TProcessingOptions options, const TSettings &settings)
{
    const std::vector<TPictureSignature> used(signatures.begin(), signatures.begin() + count);
    resetPeakMemory();
    const long before = statusKilobytes("VmRSS:");
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, "/bench/");
    for (int n = 0; n < count; ++n)
        AppendPicture(catalogue, TPicInfo {});
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    catalogue.SearchStopped = false;
    TSearchObserver observer;
    TPrecomputed source(used);
    QElapsedTimer timer;
    timer.start();
    const double processorStart = processorSeconds();
    ProcessSignedPictures(catalogue, settings, observer, source, options);
    TRun run;
    run.Seconds = timer.nsecsElapsed() / 1e9;
    run.ProcessorSeconds = processorSeconds() - processorStart;
    run.Pairs = catalogue.PairsLast + 1;
    run.PeakKilobytes = statusKilobytes("VmHWM:") - before;
    return run;
}

}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    // Each figure is shown as soon as it is known, also when the output goes to a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStringList arguments = application.arguments().mid(1);
    int plainAt = 50000;
    int threads = 0;
    bool rotations = false;
    std::vector<int> sizes;
    QString folder;
    for (int a = 0; a < arguments.size(); ++a) {
        if (arguments[a] == "--plain-at" && a + 1 < arguments.size())
            plainAt = arguments[++a].toInt();
        else if (arguments[a] == "--threads" && a + 1 < arguments.size())
            threads = arguments[++a].toInt();
        else if (arguments[a] == "--rotations")
            rotations = true;
        else if (folder.isEmpty())
            folder = arguments[a];
        else
            sizes.push_back(arguments[a].toInt());
    }
    if (folder.isEmpty()) {
        std::fprintf(
            stderr, "usage: compare_bench PHOTO_FOLDER [SIZE...] [--plain-at N] [--threads N] [--rotations]\n");
        return 2;
    }
    if (sizes.empty())
        sizes = { 10000, 50000, 200000 };
    const int largest = std::max(*std::max_element(sizes.begin(), sizes.end()), plainAt);

    QElapsedTimer timer;
    timer.start();
    // Signing the cuts takes minutes at the largest size, so the signatures are kept for the next
    // run. The cuts are drawn one after the other, so a smaller run uses the first ones.
    // Named by the record size, so that a cache of an older layout is never misread.
    const QString cacheName = QStringLiteral("/tmp/quorvane-compare-signatures-%1.bin").arg(sizeof(TPictureSignature));
    std::vector<TPictureSignature> signatures(largest);
    QFile cache(cacheName);
    const qint64 cacheBytes = qint64(largest * sizeof(TPictureSignature));
    if (cache.open(QIODevice::ReadOnly) && cache.size() >= cacheBytes
        && cache.read(reinterpret_cast<char *>(signatures.data()), cacheBytes) == cacheBytes) {
        std::printf("signatures of %d cuts read from %s\n", largest, qPrintable(cacheName));
    } else {
        const std::vector<QImage> photos = loadPhotos(folder);
        if (photos.empty()) {
            std::fprintf(stderr, "compare_bench: no photographs in %s\n", qPrintable(folder));
            return 1;
        }
        signatures = makeSignatures(photos, largest);
        std::printf(
            "photographs: %zu; signing %d cuts took %.1f s\n", photos.size(), largest, timer.nsecsElapsed() / 1e9);
        cache.close();
        if (cache.open(QIODevice::WriteOnly))
            cache.write(reinterpret_cast<const char *>(signatures.data()), cacheBytes);
    }

    TProcessingOptions indexed;
    indexed.Threads = threads;
    double previousSeconds = 0;
    int previousSize = 0;
    for (const int size : sizes) {
        const TRun run = compare(signatures, size, indexed, TSettings {});
        std::printf("indexed comparison of %d signatures: %.2f s (processor %.2f s), %d pairs", size, run.Seconds,
            run.ProcessorSeconds, run.Pairs);
        if (previousSize > 0)
            std::printf(", growth exponent %.2f",
                std::log(run.Seconds / previousSeconds) / std::log(double(size) / previousSize));
        std::printf(", peak memory %.0f bytes per picture (catalogue entry %zu)\n", run.PeakKilobytes * 1024.0 / size,
            sizeof(TPicInfo));
        previousSeconds = run.Seconds;
        previousSize = size;
        if (rotations) {
            TSettings turned;
            turned.SearchRotated = true;
            const TRun turnedRun = compare(signatures, size, indexed, turned);
            std::printf("with rotations, %d signatures: %.2f s (processor %.2f s), %d pairs; %.2f times the time "
                        "without (processor time: %.2f times), peak memory %.0f bytes per picture\n",
                size, turnedRun.Seconds, turnedRun.ProcessorSeconds, turnedRun.Pairs, turnedRun.Seconds / run.Seconds,
                turnedRun.ProcessorSeconds / run.ProcessorSeconds, turnedRun.PeakKilobytes * 1024.0 / size);
        }
        if (size == plainAt) {
            TProcessingOptions plain = indexed;
            plain.UseIndex = false;
            const TRun plainRun = compare(signatures, size, plain, TSettings {});
            std::printf("plain scan of %d signatures: %.2f s, %d pairs; the index is %.1f times faster\n", size,
                plainRun.Seconds, plainRun.Pairs, plainRun.Seconds / run.Seconds);
        }
    }
    return 0;
}
