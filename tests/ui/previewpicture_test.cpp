#include "engine/base/pictureerror.h"
#include "ui/previewfit.h"
#include "ui/previewpicture.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

class PreviewPictureTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QByteArray Write(const char *name, const QByteArray &bytes) const
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write fixture %s", name);
        return QFile::encodeName(file.fileName());
    }

    QByteArray Picture(const char *name, int width, int height, const char *format) const
    {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(30, 90, 150));
        picture.save(m_dir.filePath(name), format);
        return QFile::encodeName(m_dir.filePath(name));
    }

private slots:
    void reductionScaleAndFrameWidth()
    {
        const TPictureSource jpeg = LoadPreviewPicture(Picture("big.jpg", 4000, 3000, "JPEG"));
        QVERIFY(!jpeg.JpegData.isEmpty());
        QImage shown = ReducePreviewPicture(jpeg, 4000, 3000);
        QCOMPARE(shown.size(), QSize(1000, 750));
        QCOMPARE(PreviewFramePenWidth(shown), 37);
        ShowPreviewFrame(shown);
        QCOMPARE(shown.pixel(17, 400), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(999, 749), qRgb(255, 255, 255));
        QVERIFY(shown.pixel(19, 400) != qRgb(255, 255, 255));

        const QImage thin = ReducePreviewPicture(LoadPreviewPicture(Picture("thin.png", 300, 20, "PNG")), 300, 20);
        QCOMPARE(thin.size(), QSize(300, 20));
        QCOMPARE(PreviewFramePenWidth(thin), 2);
        // The newer types come through the same reading as the search's.
        const TPictureSource webp = LoadPreviewPicture(Picture("photo.webp", 1200, 400, "WEBP"));
        QCOMPARE(ReducePreviewPicture(webp, 1200, 400).size(), QSize(600, 200));

        QCOMPARE(PreviewScaleDenominator(2001, 1000), 4);
        QCOMPARE(PreviewScaleDenominator(2000, 1500), 2);
        QCOMPARE(PreviewScaleDenominator(1000, 1501), 4);
        QCOMPARE(PreviewScaleDenominator(1001, 1000), 2);
        QCOMPARE(PreviewScaleDenominator(1000, 1000), 1);
    }

    void unreadableFilesThrowNamingTheFile()
    {
        try {
            LoadPreviewPicture(QFile::encodeName(m_dir.filePath("gone.jpg")));
            QFAIL("a missing file must throw");
        } catch (const TPictureError &error) {
            QVERIFY(QString::fromUtf8(error.what()).contains("gone.jpg"));
        }
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(Write("text.gif", "not a picture")));
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(Write("empty.png", "")));
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(Write("junk.cr2", QByteArray(4096, 'x'))));
        const TPictureSource broken = LoadPreviewPicture(Write("truncated.jpg", "\xFF\xD8\xFF\xE0garbage"));
        QVERIFY_THROWS_EXCEPTION(TPictureError, ReducePreviewPicture(broken, 10, 10));
        // The extension chooses the decoder, as in a search, which never signed such a file.
        const TPictureSource misnamed = LoadPreviewPicture(Picture("png_named.jpg", 1200, 400, "PNG"));
        QVERIFY_THROWS_EXCEPTION(TPictureError, ReducePreviewPicture(misnamed, 1200, 400));
    }

    void hostileFilesAreRefusedWithoutBlockingOrAllocating()
    {
        // A BMP header is not checksummed: patch a real one to claim 60000 x 60000 pixels.
        const QByteArray small = Picture("small.bmp", 4, 4, "BMP");
        QFile smallFile(QFile::decodeName(small));
        QVERIFY(smallFile.open(QIODevice::ReadOnly));
        QByteArray huge = smallFile.readAll();
        constexpr int kBmpWidthOffset = 18;
        qToLittleEndian<qint32>(60000, huge.data() + kBmpWidthOffset);
        qToLittleEndian<qint32>(60000, huge.data() + kBmpWidthOffset + 4);
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(Write("60000x60000.bmp", huge)));
        // A FIFO in a picture's place would block a plain open until someone writes to it.
        const QByteArray fifo = QFile::encodeName(m_dir.filePath("fifo.png"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(fifo));
    }

    void labelShrinksPictureToFitButNeverEnlarges()
    {
        QLabel label;
        label.resize(400, 300);
        label.show();
        ShowFittedPicture(&label, QImage(2000, 1000, QImage::Format_RGB32));
        QCOMPARE(label.pixmap().size(), QSize(400, 200));
        label.resize(200, 300);
        QCOMPARE(label.pixmap().size(), QSize(200, 100));
        QCOMPARE(FittedPicture(&label).size(), QSize(2000, 1000));
        ShowFittedPicture(&label, QImage(50, 40, QImage::Format_RGB32));
        QCOMPARE(label.pixmap().size(), QSize(50, 40));
        label.clear(); // as a search start does: the kept picture must not come back
        label.resize(400, 300);
        QVERIFY(FittedPicture(&label).isNull());
    }
};

QTEST_MAIN(PreviewPictureTest)
#include "previewpicture_test.moc"
