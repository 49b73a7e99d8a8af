#include "pictureerror.h"
#include "previewfit.h"
#include "previewpicture.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

class PreviewPictureTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QByteArray PathOf(const char *name) const { return QFile::encodeName(m_dir.filePath(name)); }

    QByteArray WritePicture(const char *name, int width, int height, const char *format) const
    {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(30, 90, 150));
        const QByteArray path = PathOf(name);
        if (!picture.save(QFile::decodeName(path), format))
            qFatal("cannot write fixture %s", name);
        return path;
    }

    QByteArray WriteBytes(const char *name, const QByteArray &bytes) const
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write fixture %s", name);
        return PathOf(name);
    }

private slots:
    void largeJpegIsShownFromQuarterSizeWithWideFrame()
    {
        const QByteArray path = WritePicture("big.jpg", 4000, 3000, "JPEG");
        const TPreviewSource source = LoadPreviewPicture(path);
        QVERIFY(!source.JpegData.isEmpty());
        QImage shown = ReducePreviewPicture(source, 4000, 3000);
        QCOMPARE(shown.size(), QSize(1000, 750));
        QCOMPARE(PreviewFramePenWidth(shown), 37);
        ShowPreviewFrame(shown);
        QCOMPARE(shown.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(17, 400), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(999, 749), qRgb(255, 255, 255));
        QVERIFY(shown.pixel(19, 400) != qRgb(255, 255, 255));
        QVERIFY(shown.pixel(500, 375) != qRgb(255, 255, 255));
    }

    void thinPngGetsTheSmallestPen()
    {
        const QByteArray path = WritePicture("thin.png", 300, 20, "PNG");
        const TPreviewSource source = LoadPreviewPicture(path);
        QVERIFY(source.JpegData.isEmpty());
        const QImage shown = ReducePreviewPicture(source, 300, 20);
        QCOMPARE(shown.size(), QSize(300, 20));
        QCOMPARE(PreviewFramePenWidth(shown), 2);
    }

    void scaleThresholdsAreStrict()
    {
        QCOMPARE(PreviewScaleDenominator(2001, 1000), 4);
        QCOMPARE(PreviewScaleDenominator(2000, 1500), 2);
        QCOMPARE(PreviewScaleDenominator(1000, 1501), 4);
        QCOMPARE(PreviewScaleDenominator(1001, 1000), 2);
        QCOMPARE(PreviewScaleDenominator(1000, 1000), 1);
        const QByteArray path = WritePicture("mid.bmp", 1200, 400, "BMP");
        QCOMPARE(ReducePreviewPicture(LoadPreviewPicture(path), 1200, 400).size(), QSize(600, 200));
    }

    void transparentPngIsShownOnWhite()
    {
        QImage picture(40, 40, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        const QByteArray path = PathOf("clear.png");
        QVERIFY(picture.save(QFile::decodeName(path), "PNG"));
        const QImage shown = ReducePreviewPicture(LoadPreviewPicture(path), 40, 40);
        QVERIFY(qGray(shown.pixel(20, 20)) > 250);
    }

    void pictureNamedAfterAnotherTypeIsDecodedByContent()
    {
        const QByteArray path = WritePicture("png_named.jpg", 64, 48, "PNG");
        QCOMPARE(ReducePreviewPicture(LoadPreviewPicture(path), 64, 48).size(), QSize(64, 48));
    }

    void unreadableFilesThrowNamingTheFile()
    {
        const QByteArray missing = PathOf("gone.jpg");
        try {
            LoadPreviewPicture(missing);
            QFAIL("a missing file must throw");
        } catch (const TPictureError &error) {
            QVERIFY(QString::fromUtf8(error.what()).contains("gone.jpg"));
        }
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(WriteBytes("text.gif", "not a picture")));
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(WriteBytes("empty.png", "")));
        QVERIFY_THROWS_EXCEPTION(TPictureError, LoadPreviewPicture(WriteBytes("junk.cr2", QByteArray(4096, 'x'))));
        const TPreviewSource broken = LoadPreviewPicture(WriteBytes("broken.jpg", "\xFF\xD8\xFF\xE0garbage"));
        QVERIFY_THROWS_EXCEPTION(TPictureError, ReducePreviewPicture(broken, 10, 10));
    }

    void labelShrinksPictureToFitButNeverEnlarges()
    {
        QLabel label;
        label.resize(400, 300);
        label.show();
        ShowFittedPicture(&label, QImage(2000, 1000, QImage::Format_RGB32));
        QCOMPARE(label.pixmap().size(), QSize(400, 200));
        QCOMPARE(FittedPicture(&label).size(), QSize(2000, 1000));
        label.resize(200, 300);
        QCOMPARE(label.pixmap().size(), QSize(200, 100));
        ShowFittedPicture(&label, QImage(50, 40, QImage::Format_RGB32));
        QCOMPARE(label.pixmap().size(), QSize(50, 40));
        label.clear();
        label.resize(400, 300);
        QVERIFY(label.pixmap().isNull());
        QVERIFY(FittedPicture(&label).isNull());
    }
};

QTEST_MAIN(PreviewPictureTest)
#include "previewpicture_test.moc"
