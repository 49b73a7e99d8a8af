#include "aboutunit.h"
#include "site.h"

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

private:
    static QLabel *Label(TAboutForm &form, const char *name)
    {
        return form.findChild<QLabel *>(QString::fromLatin1(name));
    }

private slots:
    void showsNameAndVersion()
    {
        TAboutForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("关于 Quorvane 重复图片搜索器"));
        QCOMPARE(Label(form, "Label1")->text(), QStringLiteral("Quorvane 重复图片搜索器"));
        QVERIFY(Label(form, "Label1")->font().bold());
        QCOMPARE(Label(form, "Version")->text(), QStringLiteral("版本 1.2.1"));
        QVERIFY(!Label(form, "Label2")->text().isEmpty());
        QVERIFY(!Label(form, "Image1")->pixmap().isNull());
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("OKButton"))->text(), QStringLiteral("确定"));
        // Laid out at 120 dpi and shown in 96-dpi logical pixels.
        QCOMPARE(form.size(), QSize(475, 242));
        QVERIFY(Label(form, "Label1")->geometry().right() < Label(form, "Label1")->parentWidget()->width());
    }

    void linksShareOneLook()
    {
        TAboutForm form;
        for (const char *name : { "SiteLabel", "Label3" }) {
            QLabel *link = Label(form, name);
            QVERIFY(link->font().bold());
            QVERIFY(link->font().underline());
            QCOMPARE(link->font().pixelSize(), 12);
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(39, 89, 173));
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(link->textFormat(), Qt::PlainText);
        }
        QCOMPARE(Label(form, "Label3")->text(), QStringLiteral("support@") + SiteHost());
    }

    void linksOpenAndLeaveTheBoxOpen()
    {
        TLinkRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
        TAboutForm form;
        form.show();
        QTest::mouseClick(Label(form, "SiteLabel"), Qt::LeftButton);
        QVERIFY(form.isVisible());
        QTest::mouseClick(Label(form, "Label3"), Qt::LeftButton);
        QVERIFY(form.isVisible());
        QTest::mouseClick(Label(form, "Version"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));

        const QList<QUrl> expected { QUrl(QStringLiteral("http://") + SiteHost() + QStringLiteral("/photo.html")),
            QUrl(QStringLiteral("mailto:support@") + SiteHost()) };
        QCOMPARE(recorder.opened, expected);

        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(AboutFormTest)
#include "aboutunit_test.moc"
