#include "picturefixtures.h"
#include "resultwriter.h"
#include "search.h"
#include "searchobserver.h"
#include "settings.h"

#include <QBuffer>
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

// An uncompressed bitmap: two of these that differ only in their top rows share the header and
// the bottom rows that BMP stores first, so their 256-byte fingerprints are equal.
QByteArray bmpBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.convertToFormat(QImage::Format_RGB888).save(&buffer, "bmp"));
    return bytes;
}

// Scenes, their near-duplicates (resized, re-encoded, converted), exact copies, and bitmaps
// with equal fingerprints but different content, spread over folders so that they interleave.
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
    }
    QImage top = DrawScene(7, 320, 240).convertToFormat(QImage::Format_RGB888);
    QImage other = top.copy();
    other.fill(Qt::darkGreen);
    for (int y = 120; y < 240; ++y)
        std::memcpy(other.scanLine(y), top.scanLine(y), size_t(top.bytesPerLine()));
    WriteBytes(root + "/set1/header_a.bmp", bmpBytes(top));
    WriteBytes(root + "/set2/header_b.bmp", bmpBytes(other));
    WriteBytes(root + "/set2/header_c.bmp", bmpBytes(top));
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
        // Every variant pairs within its scene (8 scenes of 4 or 5 files), and of the bitmaps with
        // equal fingerprints only the byte-equal one pairs; identical-only mode pairs the copies.
        const int pairs = identicalOnly ? 4 + 1 : 8 * 3 + 4 + 1;
        EXPECT_EQ(int(plain.count("\r\n")), 1 + 2 * pairs);
        EXPECT_TRUE(plain.contains("header_c.bmp"));
    }
}
