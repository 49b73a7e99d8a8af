// Signing speed of each picture type beyond the first six on camera-sized pictures, beside the
// same pictures as JPEG. The pictures are encoded from generated scenes into a temporary folder.
// Usage: formats_bench [COUNT]   (default 3 pictures per type)

#include "camerascene.h"
#include "engine/decode/jpegcodec.h"
#include "engine/sign/signpicture.h"
#include "settings/settings.h"
#include "tests/engine/formatfixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

namespace
{

struct TFormat {
    const char *extension;
    std::function<QByteArray(const QImage &)> encode;
};

}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::vector<TFormat> formats {
        { "jpg", [](const QImage &scene) { return EncodeJpeg(scene); } },
        { "webp", [](const QImage &scene) { return EncodeWebp(scene); } },
        { "heic", [](const QImage &scene) { return EncodeHeic(scene, true); } },
        { "avif", [](const QImage &scene) { return EncodeAvif(scene, true); } },
        { "jxl", [](const QImage &scene) { return EncodeJxl(scene, true); } },
        { "dng", [](const QImage &scene) { return EncodeLinearDng(scene); } },
    };
    QTemporaryDir folder;
    std::printf("%d pictures of %d x %d per type, signed on one thread\n", count, kCameraWidth, kCameraHeight);
    std::printf("%-5s %12s %14s %12s\n", "type", "pictures/s", "mean file MB", "encode s");
    for (const TFormat &format : formats) {
        std::vector<QByteArray> paths;
        qint64 bytes = 0;
        QElapsedTimer encoding;
        encoding.start();
        for (int i = 0; i < count; ++i) {
            const QByteArray file = format.encode(DrawCameraScene(quint32(i + 1)));
            const QString path = folder.filePath(QString("%1.%2").arg(i).arg(format.extension));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            bytes += file.size();
            paths.push_back(QFile::encodeName(path));
        }
        const double encodeSeconds = encoding.elapsed() / 1000.0;
        QElapsedTimer signing;
        signing.start();
        for (const QByteArray &path : paths)
            if (!SignPicture(path, TSettings {})) {
                std::fprintf(stderr, "%s was not signed\n", path.constData());
                return 1;
            }
        const double seconds = signing.nsecsElapsed() / 1e9;
        std::printf(
            "%-5s %12.2f %14.1f %12.1f\n", format.extension, count / seconds, bytes / 1e6 / count, encodeSeconds);
    }
    return 0;
}
