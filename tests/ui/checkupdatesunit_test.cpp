#include "checkupdatesunit.h"
#include "testhttpserver.h"

#include <QDesktopServices>
#include <QHostAddress>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace
{

constexpr int kReplyWaitMs = 10000;
const QString kChecking = QStringLiteral("Checking for Update");
const QString kNoUpdate = QStringLiteral("No updates available at the time.");
const QString kFailure = QStringLiteral("Error. Can't connect to website.");

QString NewVersionLine(const QString &version)
{
    return QStringLiteral("A new version of Quorvane ") + version + QStringLiteral(" is available!");
}

}

// The check blocks in a local event loop, so what happens while it runs is watched from a timer
// that ticks inside that loop; the step returns true when it is done.
class TPoller : public QObject
{
public:
    explicit TPoller(std::function<bool()> step)
        : m_step(std::move(step))
    {
        constexpr int kPollIntervalMs = 5;
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_step())
                m_timer.stop();
        });
        m_timer.start(kPollIntervalMs);
    }

private:
    std::function<bool()> m_step;
    QTimer m_timer;
};

// Receives the pages the window asks the desktop to open.
class TUrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class UpdateFormTest : public QObject
{
    Q_OBJECT

private:
    static QLabel *Status(TUpdateForm &form) { return form.findChild<QLabel *>(QStringLiteral("UpdateStatusLabel")); }
    static QPushButton *Button(TUpdateForm &form, const char *name)
    {
        return form.findChild<QPushButton *>(QString::fromLatin1(name));
    }
    static bool Checking(TUpdateForm &form) { return Status(form)->text().startsWith(kChecking); }

    static void VerifyClosableOutcome(TUpdateForm &form, const QString &statusLine)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!Checking(form), kReplyWaitMs);
        QCOMPARE(Status(form)->text(), statusLine);
        QVERIFY(form.isVisible());
        QVERIFY(Button(form, "OKButton")->isVisible());
        QCOMPARE(Button(form, "OKButton")->text(), QStringLiteral("Close"));
        QCOMPARE(Button(form, "OKButton")->x(), (form.width() - Button(form, "OKButton")->width()) / 2);
        QVERIFY(!Button(form, "DownloadButton")->isVisible());
    }

    static void VerifyNewVersionOutcome(TUpdateForm &form, const QString &version)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!Checking(form), kReplyWaitMs);
        QCOMPARE(Status(form)->text(), NewVersionLine(version));
        QVERIFY(form.isVisible());
        QCOMPARE(Button(form, "OKButton")->text(), QStringLiteral("Cancel"));
        QCOMPARE(Button(form, "OKButton")->x(), 305);
        QVERIFY(Button(form, "OKButton")->isVisible());
        QVERIFY(Button(form, "DownloadButton")->isVisible());
        QCOMPARE(Button(form, "DownloadButton")->text(), QStringLiteral("转到下载页面"));
    }

private slots:
    void sameVersionFromTheMenuWaitsForClose()
    {
        TTestHttpServer server;
        server.answer(200, "1.2.1");
        bool autoCheckPending = false;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(server.hostAndPort());
        form.show();
        QCOMPARE(form.windowTitle(), kChecking);
        QCOMPARE(form.size(), QSize(538, 142));
        QVERIFY(form.windowFlags().testFlag(Qt::Tool));
        VerifyClosableOutcome(form, kNoUpdate);
        QCOMPARE(form.windowTitle(), kChecking);

        QTest::mouseClick(Button(form, "OKButton"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }

    void requestCarriesTheClientHeaders()
    {
        TTestHttpServer server;
        server.answer(200, "1.2.1");
        bool autoCheckPending = false;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(server.hostAndPort());
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(!Checking(form), kReplyWaitMs);
        QCOMPARE(server.requests.size(), 1);
        const QByteArray request = server.requests.first();
        QVERIFY2(request.startsWith("GET /update/photo_version.txt HTTP/1.1\r\n"), request.constData());
        QVERIFY2(request.contains("\r\nAccept: text/html, */*\r\n"), request.constData());
        QVERIFY2(request.contains("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"), request.constData());
    }

    void sameVersionAtStartUpClosesByItself()
    {
        TTestHttpServer server;
        server.answer(200, "1.2.1");
        bool autoCheckPending = true;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(server.hostAndPort());
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, &form, &QDialog::reject);
        safety.start(kReplyWaitMs);
        form.exec();
        QVERIFY(safety.isActive());
        QVERIFY(!autoCheckPending);
        QCOMPARE(Status(form)->text(), kNoUpdate);
        QVERIFY(!Button(form, "OKButton")->isVisible());
    }

    void otherVersionsAreNews_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("automatic");
        QTest::newRow("newer, from the menu") << QByteArray("1.2.2") << false;
        QTest::newRow("newer, at start-up") << QByteArray("1.2.2") << true;
        QTest::newRow("line break after the same version") << QByteArray("1.2.1\r\n") << true;
        QTest::newRow("empty body") << QByteArray() << false;
        QTest::newRow("markup") << QByteArray("<b>2.0</b><img src=x>") << false;
        QTest::newRow("non-latin text") << QByteArray("版本 2") << false;
    }

    void otherVersionsAreNews()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, automatic);
        TTestHttpServer server;
        server.answer(200, body);
        bool autoCheckPending = automatic;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(server.hostAndPort());
        form.show();
        VerifyNewVersionOutcome(form, QString::fromUtf8(body));
        QCOMPARE(Status(form)->textFormat(), Qt::PlainText);
        QVERIFY(!autoCheckPending);
    }

    void downloadButtonOpensTheSiteAndCloses()
    {
        TTestHttpServer server;
        server.answer(200, "9.9.9");
        bool autoCheckPending = false;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(server.hostAndPort());
        TUrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
        form.show();
        VerifyNewVersionOutcome(form, QStringLiteral("9.9.9"));
        QTest::mouseClick(Button(form, "DownloadButton"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QVERIFY(!form.isVisible());
        QCOMPARE(recorder.opened, QList<QUrl> { QUrl(QStringLiteral("https://") + server.hostAndPort() + "/") });
    }

    void failuresShowOneLine_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("automatic");
        QTest::newRow("not found") << QStringLiteral("404") << false;
        QTest::newRow("not found at start-up") << QStringLiteral("404") << true;
        QTest::newRow("server error") << QStringLiteral("500") << false;
        QTest::newRow("redirect") << QStringLiteral("302") << false;
        QTest::newRow("refused") << QStringLiteral("refused") << true;
        QTest::newRow("dropped") << QStringLiteral("dropped") << false;
        QTest::newRow("over 64 KiB") << QStringLiteral("huge") << false;
        QTest::newRow("not UTF-8") << QStringLiteral("binary") << false;
    }

    void failuresShowOneLine()
    {
        QFETCH(QString, failure);
        QFETCH(bool, automatic);
        TTestHttpServer server;
        QString host = server.hostAndPort();
        if (failure == u"refused") {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            host = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
            closed.close();
        } else if (failure == u"dropped") {
            server.dropEveryConnection();
        } else if (failure == u"huge") {
            server.answer(200, QByteArray(64 * 1024 + 1, '1'));
        } else if (failure == u"binary") {
            server.answer(200, QByteArray("1.2.\xff\xfe", 6));
        } else {
            server.answer(failure.toInt(), "1.2.1");
        }
        bool autoCheckPending = automatic;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(host);
        form.show();
        VerifyClosableOutcome(form, kFailure);
        QVERIFY(!autoCheckPending);
    }

    void statusLineAnimatesWhileWaiting()
    {
        TTestHttpServer server;
        server.holdEveryConnection();
        bool autoCheckPending = false;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(server.hostAndPort());
        QStringList texts;
        bool buttonShown = false;
        TPoller poller([&] {
            buttonShown
                = buttonShown || Button(form, "OKButton")->isVisible() || Button(form, "DownloadButton")->isVisible();
            if (texts.isEmpty() || texts.last() != Status(form)->text())
                texts.append(Status(form)->text());
            if (texts.size() < 5)
                return false;
            form.close();
            return true;
        });
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), kReplyWaitMs);
        QCOMPARE(texts, QStringList({ kChecking, kChecking + ".", kChecking + "..", kChecking + "...", kChecking }));
        QVERIFY(!buttonShown);
    }

    void closingWhileCheckingCancelsAndNextShowStartsAfresh()
    {
        TTestHttpServer server;
        server.holdEveryConnection();
        bool autoCheckPending = true;
        TUpdateForm form(autoCheckPending);
        form.setSiteHost(server.hostAndPort());
        TPoller poller([&] {
            if (server.requests.isEmpty())
                return false;
            form.close();
            return true;
        });
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), kReplyWaitMs);
        QCOMPARE(server.requests.size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(server.heldConnectionsClosedByClient, 1, kReplyWaitMs);
        QVERIFY(!autoCheckPending);

        server.answer(200, "1.3.0");
        form.show();
        QCOMPARE(Status(form)->text(), kChecking);
        QVERIFY(!Button(form, "OKButton")->isVisible());
        VerifyNewVersionOutcome(form, QStringLiteral("1.3.0"));
        QCOMPARE(server.requests.size(), 2);

        server.answer(200, "1.2.1");
        QTest::mouseClick(Button(form, "OKButton"), Qt::LeftButton);
        form.show();
        VerifyClosableOutcome(form, kNoUpdate);
    }
};

QTEST_MAIN(UpdateFormTest)
#include "checkupdatesunit_test.moc"
