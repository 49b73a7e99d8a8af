// Signing speed of each picture type beyond the first six on camera-sized pictures, beside the
// same pictures as JPEG, and how faithful each copy's signature stays. The pictures are encoded
// from generated scenes into a temporary folder; HEIC and AVIF carry a thumbnail as cameras and
// phones write one, JPEG XL comes encoded from the pixels and transcoded from the JPEG twin
// (jxl<jpg), DNG (linear RGB, and through a Bayer pattern the size of a camera's raw file) comes
// with the camera's full-size JPEG preview and without. The types take turns in every round,
// and the time is the program's processor time (a codec's own threads included), which another
// program's load on a shared machine changes far less than the time on the clock.
// Usage: formats_bench [COUNT [THUMBNAIL_SIDE [ROUNDS [TYPES]]]]   (defaults 12, 320, 3, every type)
// TYPES names the types to sign beside the JPEGs, separated by commas (say "dng,dng+jpg").

#include "camerascene.h"
#include "engine/compare/processing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/picturereader.h"
#include "engine/sign/signpicture.h"
#include "settings/settings.h"
#include "tests/engine/formatfixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace
{

struct TFormat {
    const char *name;
    const char *extension;
    std::function<QByteArray(const QImage &)> encode;
    std::vector<QByteArray> paths;
    std::vector<TPictureSignature> signatures;
    double seconds = 0;
};

// The similarity in percent the search gives `current` beside `earlier`; 0 when they do not pair.
double similarity(const TPictureSignature &earlier, const TPictureSignature &current)
{
    TPicInfo info;
    info.WaveletCoefsPos = earlier.WaveletCoefsPos;
    info.WaveletCoefsNeg = earlier.WaveletCoefsNeg;
    TSignMatrix matrix;
    RebuildWaveletMatrix(current.WaveletCoefsPos, current.WaveletCoefsNeg, matrix);
    return SimilarityOfScore(WaveletScore(info, matrix)).value_or(0);
}

std::string originsOf(const std::vector<QByteArray> &paths)
{
    std::map<std::string, int> counts;
    for (const QByteArray &path : paths)
        ++counts[ReadPictureFile(path, SigningRequest()).Origin];
    std::string text;
    for (const auto &[origin, count] : counts)
        text += (text.empty() ? "" : ",") + origin + ":" + std::to_string(count);
    return text;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    const int thumbnailSide = argc > 2 ? std::max(0, std::atoi(argv[2])) : 320;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    // libheif fits the thumbnail into a square one pixel smaller than the picture it is given.
    const auto extras = [thumbnailSide](const QImage &scene) {
        return THeifExtras { thumbnailSide > 0 ? CameraThumbnail(scene, thumbnailSide + 1) : QImage(), 1 };
    };
    std::vector<TFormat> formats {
        { "jpg", "jpg", [](const QImage &scene) { return EncodeJpeg(scene); }, {}, {} },
        { "webp", "webp", [](const QImage &scene) { return EncodeWebp(scene); }, {}, {} },
        { "heic", "heic", [&](const QImage &scene) { return EncodeHeic(scene, true, extras(scene)); }, {}, {} },
        { "avif", "avif", [&](const QImage &scene) { return EncodeAvif(scene, true, extras(scene)); }, {}, {} },
        { "jxl", "jxl", [](const QImage &scene) { return EncodeJxl(scene, true); }, {}, {} },
        { "jxl<jpg", "jxl", [](const QImage &scene) { return EncodeJxlFromJpeg(EncodeJpeg(scene)); }, {}, {} },
        { "dng", "dng", [](const QImage &scene) { return EncodeLinearDng(scene); }, {}, {} },
        { "dng+jpg", "dng", [](const QImage &scene) { return EncodeLinearDng(scene, scene); }, {}, {} },
        { "bayer", "dng", [](const QImage &scene) { return EncodeMosaicDng(scene); }, {}, {} },
        { "bayer+jpg", "dng", [](const QImage &scene) { return EncodeMosaicDng(scene, scene); }, {}, {} },
    };
    if (argc > 4) {
        const QList<QByteArray> chosen = QByteArray(argv[4]).split(',');
        std::erase_if(formats,
            [&](const TFormat &format) { return &format != &formats.front() && !chosen.contains(format.name); });
    }
    QTemporaryDir folder;
    for (int i = 0; i < count; ++i) {
        const QImage scene = DrawCameraScene(quint32(i + 1));
        for (TFormat &format : formats) {
            const QByteArray file = format.encode(scene);
            const QString path = folder.filePath(QString("%1_%2.%3").arg(i).arg(format.name, format.extension));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            format.paths.push_back(QFile::encodeName(path));
        }
    }
    for (int round = 0; round < rounds; ++round)
        for (TFormat &format : formats) {
            format.signatures.clear();
            const std::clock_t start = std::clock();
            for (const QByteArray &path : format.paths) {
                const auto signature = SignPicture(path, TSettings {});
                if (!signature) {
                    std::fprintf(stderr, "%s was not signed\n", path.constData());
                    return 1;
                }
                format.signatures.push_back(*signature);
            }
            format.seconds += double(std::clock() - start) / CLOCKS_PER_SEC;
        }

    const TFormat &jpeg = formats.front();
    const double jpegMs = jpeg.seconds * 1000 / (rounds * count);
    std::printf("%d pictures of %d x %d per type, thumbnails of %d, %d rounds taking turns, signed on one thread, "
                "processor time\n",
        count, kCameraWidth, kCameraHeight, thumbnailSide, rounds);
    std::printf(
        "%-9s %10s %8s %22s %14s %14s\n", "type", "ms/picture", "x JPEG", "source", "lowest twin %", "median twin %");
    double worstWrongPair = 0;
    for (const TFormat &format : formats) {
        const double ms = format.seconds * 1000 / (rounds * count);
        std::vector<double> twins;
        for (int i = 0; i < count; ++i) {
            twins.push_back(similarity(jpeg.signatures[size_t(i)], format.signatures[size_t(i)]));
            // Every other photograph's JPEG must not pair with this copy, either way round.
            for (int other = 0; other < count; ++other)
                if (other != i)
                    worstWrongPair = std::max(
                        { worstWrongPair, similarity(jpeg.signatures[size_t(other)], format.signatures[size_t(i)]),
                            similarity(format.signatures[size_t(i)], jpeg.signatures[size_t(other)]) });
        }
        std::sort(twins.begin(), twins.end());
        std::printf("%-9s %10.1f %8.2f %22s %14.1f %14.1f\n", format.name, ms, ms / jpegMs,
            originsOf(format.paths).c_str(), twins.front(), twins[twins.size() / 2]);
    }
    std::printf(
        "highest similarity of a copy to another photograph's JPEG: %.1f%% (0 = no wrong pair)\n", worstWrongPair);
    return 0;
}
