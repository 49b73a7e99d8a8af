// Helpers of bench/store_bench.sh.
//
// usage: store_bench make FOLDER COUNT        writes COUNT small distinct JPEG photographs-like pictures
//        store_bench compare FOLDER STORE     times the comparison alone over FOLDER's pictures, with
//                                             their signatures taken from STORE beforehand
//        store_bench searches FOLDER STORE    times a cold and then a warm search of FOLDER with a new
//                                             STORE in one process, as the window runs a second search

#include "engine/base/searchobserver.h"
#include "engine/collect/collection.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/search.h"
#include "engine/store/storedsigner.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>

#include <atomic>
#include <cstdio>
#include <random>
#include <thread>

namespace
{

constexpr int kSmallWidth = 160;
constexpr int kSmallHeight = 120;
constexpr int kBlock = 10;
constexpr int kPerFolder = 1000;

// Blocks of random colours: no two seeds give signatures alike, so that the comparison stays
// the small part it is in a real library.
QImage drawSmallScene(quint32 seed)
{
    std::mt19937 random(seed);
    QImage image(kSmallWidth, kSmallHeight, QImage::Format_RGB888);
    QPainter painter(&image);
    for (int y = 0; y < kSmallHeight; y += kBlock) {
        for (int x = 0; x < kSmallWidth; x += kBlock)
            painter.fillRect(x, y, kBlock, kBlock, QColor(random() % 256, random() % 256, random() % 256));
    }
    return image;
}

int makePictures(const QString &folder, int count)
{
    std::atomic<int> next { 0 };
    const auto worker = [&] {
        for (int i = next++; i < count; i = next++) {
            const QString subfolder = QStringLiteral("%1/%2").arg(folder).arg(i / kPerFolder, 3, 10, QLatin1Char('0'));
            QDir().mkpath(subfolder);
            QFile file(QStringLiteral("%1/small_%2.jpg").arg(subfolder).arg(i, 6, 10, QLatin1Char('0')));
            // A comment with the picture's number right after the start marker, as a camera's
            // metadata would, keeps the first 256 bytes of every file apart.
            const QByteArray jpeg = EncodeJpeg(drawSmallScene(quint32(i) + 1));
            const QByteArray comment = QByteArray("picture ") + QByteArray::number(i);
            const int length = int(comment.size()) + 2;
            if (!file.exists() && file.open(QIODevice::WriteOnly))
                file.write(jpeg.left(2) + "\xFF\xFE" + char(length >> 8) + char(length & 0xff) + comment + jpeg.mid(2));
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();
    return 0;
}

struct TFolderObserver : TSearchObserver {
    explicit TFolderObserver(const QString &folder)
        : Folder(QFile::encodeName(QDir(folder).absolutePath()) + '/')
    {
    }
    QByteArray Folder;
    std::vector<QByteArray> ListedFolders() const override { return { Folder }; }
};

class TReadySource : public TSignatureSource
{
public:
    explicit TReadySource(std::vector<std::optional<TPictureSignature>> signatures)
        : m_signatures(std::move(signatures))
    {
    }
    std::optional<TPictureSignature> Take(int32_t index) override { return m_signatures[std::size_t(index)]; }
    bool IsReady(int32_t) override { return true; }

private:
    std::vector<std::optional<TPictureSignature>> m_signatures;
};

int timeComparison(const QString &folder, const QString &storeFile)
{
    const TSettings settings;
    TFolderObserver observer(folder);
    TCatalogue catalogue;
    catalogue.SearchStopped = false;
    ResetCatalogue(catalogue);
    CollectListedFolders(catalogue, settings, observer);
    TrimAfterCollection(catalogue);
    TStoredSigner signer(std::make_shared<TSignatureStore>(QFile::encodeName(storeFile)), std::chrono::hours(1));
    std::vector<std::optional<TPictureSignature>> signatures;
    for (int32_t k = 0; k < catalogue.PicturesCapacity; ++k)
        signatures.push_back(signer.Sign(FullPath(catalogue, k), settings));
    TReadySource source(std::move(signatures));
    AllocatePairs(catalogue);
    QElapsedTimer timer;
    timer.start();
    ProcessSignedPictures(catalogue, settings, observer, source);
    std::printf("%.3f %d %d %d\n", double(timer.nsecsElapsed()) / 1e9, catalogue.PicturesCapacity, signer.Decoded(),
        catalogue.PairsLast + 1);
    return 0;
}

// Seconds of one whole search with the store, up to its last record written.
double timeSearch(const QString &folder, const QString &storeFile)
{
    const TSettings settings;
    TFolderObserver observer(folder);
    TCatalogue catalogue;
    catalogue.SearchStopped = false;
    QElapsedTimer timer;
    timer.start();
    const auto store = std::make_shared<TSignatureStore>(QFile::encodeName(storeFile));
    RunSearchSteps(catalogue, settings, observer, {}, store);
    store->Flush();
    return double(timer.nsecsElapsed()) / 1e9;
}

int timeSearches(const QString &folder, const QString &storeFile)
{
    const double cold = timeSearch(folder, storeFile);
    const double warm = timeSearch(folder, storeFile);
    std::printf("%.3f %.3f\n", cold, warm);
    return 0;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (argc == 4 && mode == "make")
        return makePictures(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    if (argc == 4 && mode == "compare")
        return timeComparison(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 4 && mode == "searches")
        return timeSearches(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    std::fprintf(stderr, "usage: store_bench make FOLDER COUNT | store_bench compare|searches FOLDER STORE\n");
    return 2;
}
