#include "ui/aboutunit.h"
#include "ui/site.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

// Receives the links the About box asks the desktop to open.
class TLinkRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class AboutFormTest : public QObject
{
    Q_OBJECT

    TAboutForm form;

    QLabel *Label(const char *name) { return form.findChild<QLabel *>(QString::fromLatin1(name)); }

private slots:
    void showsNameVersionAndLinks()
    {
        QCOMPARE(form.windowTitle(), QStringLiteral("关于 Quorvane 重复图片搜索器"));
        QCOMPARE(Label("Label1")->text(), QStringLiteral("Quorvane 重复图片搜索器"));
        QVERIFY(Label("Label1")->font().bold());
        QCOMPARE(Label("Version")->text(), QStringLiteral("版本 1.2.1"));
        QVERIFY(!Label("Image1")->pixmap().isNull());
        // Laid out at 120 dpi, shown in logical pixels of 1/96 inch.
        QCOMPARE(form.size(), QSize(475, 242));
        for (const char *name : { "SiteLabel", "Label3" }) {
            const QFont font = Label(name)->font();
            QVERIFY(font.bold() && font.underline());
            QCOMPARE(font.pixelSize(), 12);
            QCOMPARE(Label(name)->palette().color(QPalette::WindowText), QColor(39, 89, 173));
            QCOMPARE(Label(name)->cursor().shape(), Qt::PointingHandCursor);
        }
    }

    void linksOpenAndLeaveTheBoxOpen()
    {
        TLinkRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
        form.show();
        QTest::mouseClick(Label("SiteLabel"), Qt::LeftButton);
        QTest::mouseClick(Label("Label3"), Qt::LeftButton);
        QTest::mouseClick(Label("Version"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QVERIFY(form.isVisible());
        QCOMPARE(recorder.opened,
            QList<QUrl>({ QUrl("http://" + SiteHost() + "/photo.html"), QUrl("mailto:support@" + SiteHost()) }));

        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(AboutFormTest)
#include "aboutunit_test.moc"
