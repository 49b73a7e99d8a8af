// Times the signing of camera-sized PNG, TIFF and BMP pictures with the JPEG detour's shortcut
// and with the real round trip through libjpeg, beside the decoding of the files alone. The last
// two columns time the detour alone for the whole 1/8 decoding (signing computes only the pixels
// the stretch samples when it takes the shortcut).
// Usage: detour_bench [FOLDER] [REPEATS]

#include "camerascene.h"
#include "engine/base/rawpathfile.h"
#include "engine/decode/jpegdetour.h"
#include "engine/sign/signpicture.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace
{

constexpr int kDefaultRepeats = 7;

struct TFormat {
    const char *name;
    const char *extension;
    // What the picture loader asks QImageReader for; empty lets the content decide (TIFF).
    const char *readerFormat;
};

constexpr TFormat kFormats[] = { { "PNG", "png", "png" }, { "TIFF", "tif", "" }, { "BMP", "bmp", "bmp" } };

double threadMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The median of `repeats` runs of each, in milliseconds of this thread's processor time:
// everything timed runs on the calling thread, so other work on a busy machine does not count,
// and the runs take turns, so that a change of load in between touches all of them alike.
std::vector<double> medianMilliseconds(int repeats, const std::vector<std::function<void()>> &runs)
{
    std::vector<std::vector<double>> times(runs.size());
    for (int i = 0; i < repeats; ++i) {
        for (std::size_t k = 0; k < runs.size(); ++k) {
            const double start = threadMilliseconds();
            runs[k]();
            times[k].push_back(threadMilliseconds() - start);
        }
    }
    std::vector<double> medians;
    for (std::vector<double> &series : times) {
        std::sort(series.begin(), series.end());
        medians.push_back(series[series.size() / 2]);
    }
    return medians;
}
}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::temp().filePath("quorvane-detour-bench");
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultRepeats;
    QDir().mkpath(folder);
    const QImage scene = DrawCameraScene(1, 0);
    const TSettings settings;

    std::printf("%d x %d pictures, median of %d runs, milliseconds of processor time a picture\n", kCameraWidth,
        kCameraHeight, repeats);
    std::printf("%-5s %9s %9s %11s %9s %11s %9s %11s\n", "type", "decoding", "shortcut", "round trip", "shortcut",
        "round trip", "shortcut", "round trip");
    std::printf("%-5s %9s %9s %11s %9s %11s %9s %11s\n", "", "alone", "signing", "signing", "/decoding", "/decoding",
        "1/8 whole", "1/8 whole");
    for (const TFormat &format : kFormats) {
        const QString path = QDir(folder).filePath(QStringLiteral("camera.") + format.extension);
        if (!QFile::exists(path) && !scene.save(path, format.readerFormat[0] ? format.readerFormat : "tiff")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray encodedPath = QFile::encodeName(path);
        // The decoding the picture loader does: from an open file, the size first, then the pixels.
        const auto decode = [&] {
            QFile file;
            OpenForReading(file, encodedPath);
            QImageReader reader(&file, format.readerFormat);
            reader.setAutoDetectImageFormat(format.readerFormat[0] == '\0');
            if (!reader.size().isValid() || reader.read().isNull())
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        };
        const auto sign = [&](TJpegDetour detour) {
            return [&, detour] {
                if (!SignPictureVia(encodedPath, settings, detour))
                    std::fprintf(stderr, "cannot sign %s\n", qPrintable(path));
            };
        };
        // One untimed run of each puts the file in the page cache and the code in memory.
        decode();
        sign(TJpegDetour::Shortcut)();
        sign(TJpegDetour::RoundTrip)();
        const QImage picture = QImageReader(path, format.readerFormat).read();
        // The shortcut is timed beside decoding alone, as a search runs them; the round trip's large
        // buffers change the allocator's state that the run after them finds, so it takes turns with
        // the other runs in a batch of its own.
        const std::vector<double> times = medianMilliseconds(repeats, { decode, sign(TJpegDetour::Shortcut) });
        const std::vector<double> others = medianMilliseconds(repeats,
            { sign(TJpegDetour::RoundTrip), [&] { DetourShortcut(picture, 8); },
                [&] { JpegDetour(picture, 8, TJpegDetour::RoundTrip); } });
        const double decoding = times[0];
        const double shortcut = times[1];
        const double roundTrip = others[0];
        const double wholeShortcut = others[1];
        const double wholeRoundTrip = others[2];
        std::printf("%-5s %9.1f %9.1f %11.1f %9.3f %11.3f %9.1f %11.1f\n", format.name, decoding, shortcut, roundTrip,
            shortcut / decoding, roundTrip / decoding, wholeShortcut, wholeRoundTrip);
    }
    return 0;
}
