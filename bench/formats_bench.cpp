// Signing time of WebP, HEIC, AVIF, JPEG XL and DNG camera-sized pictures beside the same
// pictures as JPEG (DNG in linear RGB and through a Bayer pattern, each with the camera's JPEG
// preview and without), the source each type's signing decodes, and how well every copy still pairs
// with its JPEG twin. The types take turns within every round, so that the load of other programs
// falls on all of them alike. The pictures are encoded from generated scenes into a temporary folder.
// Usage: formats_bench [COUNT [ROUNDS]]   (default 12 pictures per type, 3 rounds)

#include "camerascene.h"
#include "engine/compare/pairing.h"
#include "engine/decode/jpegcodec.h"
#include "engine/decode/picturereader.h"
#include "engine/sign/signpicture.h"
#include "settings/settings.h"
#include "tests/engine/formatfixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace
{

struct TFormat {
    const char *name;
    const char *extension;
    std::function<QByteArray(const QImage &)> encode;
    std::vector<QByteArray> paths {};
    std::vector<TPictureSignature> signatures {};
    std::vector<double> seconds {};
};

// The score S of `current` against `earlier`, as the search computes it.
double scoreOf(const TPictureSignature &earlier, const TPictureSignature &current)
{
    TPicInfo info;
    info.WaveletCoefsPos = earlier.WaveletCoefsPos;
    info.WaveletCoefsNeg = earlier.WaveletCoefsNeg;
    TSignMatrix matrix;
    RebuildWaveletMatrix(current.WaveletCoefsPos, current.WaveletCoefsNeg, matrix);
    return WaveletScore(info, matrix);
}

// The similarity in percent of the two whichever comes first in a search (the lower of the two
// ways), 0 when they would not pair.
double similarityOf(const TPictureSignature &a, const TPictureSignature &b)
{
    return SimilarityOfScore(std::min(scoreOf(a, b), scoreOf(b, a))).value_or(0);
}

bool pairs(const TPictureSignature &a, const TPictureSignature &b)
{
    return SimilarityOfScore(std::max(scoreOf(a, b), scoreOf(b, a))).has_value();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The sources the signing of `paths` decoded, each with how many pictures took it.
std::string sourcesOf(const std::vector<QByteArray> &paths)
{
    std::map<std::string, int> counts;
    for (const QByteArray &path : paths)
        ++counts[ReadPictureBytes(path, ReadWholePictureFile(path), SigningRequest()).Origin];
    std::string text;
    for (const auto &[origin, count] : counts)
        text += (text.empty() ? "" : ",") + origin + "x" + std::to_string(count);
    return text;
}

// Pairs between copies of different photographs among `copies` and the JPEGs (JPEG with JPEG left out).
int wrongPairs(const TFormat &copies, const TFormat &jpegs)
{
    int found = 0;
    const size_t count = jpegs.signatures.size();
    for (size_t i = 0; i < count; ++i)
        for (size_t j = 0; j < count; ++j) {
            if (i == j)
                continue;
            found += pairs(copies.signatures[i], jpegs.signatures[j]);
            if (i < j && &copies != &jpegs)
                found += pairs(copies.signatures[i], copies.signatures[j]);
        }
    return &copies == &jpegs ? found / 2 : found;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::vector<TFormat> formats {
        { "jpeg", "jpg", [](const QImage &scene) { return EncodeJpeg(scene); } },
        { "webp", "webp", [](const QImage &scene) { return EncodeWebp(scene); } },
        { "heic", "heic", [](const QImage &scene) { return EncodeHeic(scene, true); } },
        { "avif", "avif", [](const QImage &scene) { return EncodeAvif(scene, true); } },
        { "jxl", "jxl", [](const QImage &scene) { return EncodeJxl(scene, true); } },
        { "dng+preview", "dng", [](const QImage &scene) { return EncodeLinearDng(scene, scene); } },
        { "dng", "dng", [](const QImage &scene) { return EncodeLinearDng(scene); } },
        { "bayer+prev", "dng", [](const QImage &scene) { return EncodeMosaicDng(scene, scene); } },
        { "bayer", "dng", [](const QImage &scene) { return EncodeMosaicDng(scene); } },
    };
    QTemporaryDir folder;
    for (int i = 0; i < count; ++i) {
        const QImage scene = DrawCameraScene(quint32(i + 1));
        for (size_t f = 0; f < formats.size(); ++f) {
            const QByteArray file = formats[f].encode(scene);
            const QString path = folder.filePath(QString("%1_%2.%3").arg(f).arg(i).arg(formats[f].extension));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            formats[f].paths.push_back(QFile::encodeName(path));
        }
    }
    for (int round = 0; round < rounds; ++round)
        for (TFormat &format : formats) {
            std::vector<TPictureSignature> signatures;
            QElapsedTimer signing;
            signing.start();
            for (const QByteArray &path : format.paths) {
                const std::optional<TPictureSignature> signature = SignPicture(path, TSettings {});
                if (!signature) {
                    std::fprintf(stderr, "%s was not signed\n", path.constData());
                    return 1;
                }
                signatures.push_back(*signature);
            }
            format.seconds.push_back(signing.nsecsElapsed() / 1e9);
            format.signatures = std::move(signatures);
        }

    const TFormat &jpeg = formats.front();
    std::printf("%d pictures of %d x %d per type, signed on one thread, %d rounds taking turns\n", count, kCameraWidth,
        kCameraHeight, rounds);
    std::printf("%-12s %10s %20s %9s %9s %6s  %s\n", "type", "ms/picture", "x JPEG (range)", "lowest %", "median %",
        "wrong", "source");
    for (const TFormat &format : formats) {
        std::vector<double> ratios;
        for (int round = 0; round < rounds; ++round)
            ratios.push_back(format.seconds[round] / jpeg.seconds[round]);
        std::vector<double> similarities;
        for (int i = 0; i < count; ++i)
            similarities.push_back(similarityOf(jpeg.signatures[i], format.signatures[i]));
        double total = 0;
        for (const double seconds : format.seconds)
            total += seconds;
        std::printf("%-12s %10.1f %7.2f (%5.2f-%5.2f) %9.1f %9.1f %6d  %s\n", format.name,
            total * 1000 / (rounds * count), median(ratios), *std::min_element(ratios.begin(), ratios.end()),
            *std::max_element(ratios.begin(), ratios.end()),
            *std::min_element(similarities.begin(), similarities.end()), median(similarities), wrongPairs(format, jpeg),
            sourcesOf(format.paths).c_str());
    }
    std::printf("x JPEG: median of the rounds' ratios; %% : similarity to the JPEG twin (lower of the two ways);\n"
                "wrong: pairs between different photographs among the copies and the JPEGs (JPEG row: among "
                "the JPEGs)\n");
    return 0;
}
