// Makes camera-sized JPEG photographs (4000 x 3000, quality 92) from real photographs, one in
// ten a near-duplicate of an earlier one (shifted a little), for the end-to-end benchmark.
//
// usage: make_camera_photos PHOTO_FOLDER OUTPUT_FOLDER COUNT

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kQuality = 92;
constexpr int kMinSourceSide = 600;
constexpr int kNearDuplicateEvery = 10;

QStringList sourcePhotos(const QString &folder)
{
    QStringList photos;
    QDirIterator files(folder, { "*.jpg", "*.jpeg", "*.png" }, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QSize size = QImageReader(path).size();
        if (size.width() >= kMinSourceSide && size.height() >= kMinSourceSide)
            photos << path;
    }
    photos.sort();
    return photos;
}

// The photo cut to 4:3 (moved by `shift` per cent of the spare room) and scaled to camera size.
QImage cameraPicture(const QString &path, int shift)
{
    QImage photo(path);
    if (photo.isNull())
        return {};
    const QSize cut = QSize(kWidth, kHeight).scaled(photo.size(), Qt::KeepAspectRatio);
    const int spareX = photo.width() - cut.width(), spareY = photo.height() - cut.height();
    const QImage part = photo.copy(spareX * shift / 100, spareY * shift / 100, cut.width(), cut.height());
    return part.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}

}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_camera_photos PHOTO_FOLDER OUTPUT_FOLDER COUNT\n");
        return 2;
    }
    const QStringList photos = sourcePhotos(QString::fromLocal8Bit(argv[1]));
    const QString output = QString::fromLocal8Bit(argv[2]);
    const int count = std::atoi(argv[3]);
    if (photos.isEmpty() || count <= 0 || !QDir().mkpath(output)) {
        std::fprintf(stderr, "make_camera_photos: no photographs, or cannot write %s\n", argv[2]);
        return 1;
    }
    std::atomic<int> next { 0 };
    std::atomic<bool> failed { false };
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t) {
        workers.emplace_back([&] {
            for (int n = next++; n < count; n = next++) {
                const bool nearDuplicate = n % kNearDuplicateEvery == kNearDuplicateEvery - 1;
                const int source = nearDuplicate ? n - 1 : n;
                const QImage picture = cameraPicture(photos[source % photos.size()], nearDuplicate ? 52 : 50);
                QImageWriter writer(output + QStringLiteral("/photo%1.jpg").arg(n, 6, 10, QLatin1Char('0')), "jpg");
                writer.setQuality(kQuality);
                if (picture.isNull() || !writer.write(picture))
                    failed = true;
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    return failed ? 1 : 0;
}
