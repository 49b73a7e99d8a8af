#include "testhttpserver.h"
#include "ui/checkupdatesunit.h"

#include <QDesktopServices>
#include <QElapsedTimer>
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

// The check blocks in a local event loop, so what happens while it runs is watched from a timer
// that ticks inside that loop; the step returns true when it is done.
class TPoller : public QObject
{
public:
    explicit TPoller(std::function<bool()> step)
        : m_step(std::move(step))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_step())
                m_timer.stop();
        });
        m_timer.start(5);
    }

private:
    std::function<bool()> m_step;
    QTimer m_timer;
};

}

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

    TTestHttpServer *server = nullptr;
    bool autoCheckPending = false;
    TUpdateForm *form = nullptr;

    QLabel *Status() { return form->findChild<QLabel *>(QStringLiteral("UpdateStatusLabel")); }
    QPushButton *Button(const char *name) { return form->findChild<QPushButton *>(QString::fromLatin1(name)); }
    void WaitForAnswer() { QTRY_VERIFY_WITH_TIMEOUT(!Status()->text().startsWith(kChecking), kReplyWaitMs); }

    void VerifyCloseOutcome(const QString &statusLine)
    {
        WaitForAnswer();
        QCOMPARE(Status()->text(), statusLine);
        QVERIFY(form->isVisible() && Button("OKButton")->isVisible() && !Button("DownloadButton")->isVisible());
        QCOMPARE(Button("OKButton")->text(), QStringLiteral("Close"));
        QCOMPARE(Button("OKButton")->x(), (form->width() - Button("OKButton")->width()) / 2);
    }
    void VerifyNewsOutcome(const QString &version)
    {
        WaitForAnswer();
        QCOMPARE(Status()->text(), QStringLiteral("A new version of Quorvane ") + version + " is available!");
        QVERIFY(form->isVisible() && Button("OKButton")->isVisible() && Button("DownloadButton")->isVisible());
        QCOMPARE(Button("OKButton")->text(), QStringLiteral("Cancel"));
        QCOMPARE(Button("OKButton")->x(), 305);
    }

private slots:
    void init()
    {
        server = new TTestHttpServer;
        autoCheckPending = false;
        form = new TUpdateForm(autoCheckPending);
        form->setSiteHost(server->hostAndPort());
    }
    void cleanup()
    {
        delete form;
        delete server;
    }

    void sameVersionFromTheMenuWaitsForClose()
    {
        server->answer(200, "1.2.1");
        form->show();
        QCOMPARE(form->size(), QSize(538, 142));
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));
        VerifyCloseOutcome(kNoUpdate);
        QCOMPARE(form->windowTitle(), kChecking);
        const QByteArray request = server->requests.value(0);
        QVERIFY2(request.startsWith("GET /update/photo_version.txt HTTP/1.1\r\n"), request.constData());
        QVERIFY(request.contains("\r\nAccept: text/html, */*\r\n"));
        QVERIFY(request.contains("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"));
        QTest::mouseClick(Button("OKButton"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
    }

    void sameVersionAtStartUpClosesByItself()
    {
        server->answer(200, "1.2.1");
        autoCheckPending = true;
        QTimer::singleShot(kReplyWaitMs, form, &QDialog::reject);
        QElapsedTimer elapsed;
        elapsed.start();
        form->exec();
        QVERIFY(elapsed.elapsed() < kReplyWaitMs);
        QVERIFY(!autoCheckPending);
        QCOMPARE(Status()->text(), kNoUpdate);
    }

    void otherVersionsAreNews_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("automatic");
        QTest::newRow("newer, from the menu") << QByteArray("1.2.2") << false;
        QTest::newRow("newer, at start-up") << QByteArray("1.2.2") << true;
        QTest::newRow("line break after the same version") << QByteArray("1.2.1\r\n") << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("markup stays literal") << QByteArray("<b>2.0</b><img src=x>") << false;
    }
    void otherVersionsAreNews()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, automatic);
        server->answer(200, body);
        autoCheckPending = automatic;
        form->show();
        VerifyNewsOutcome(QString::fromUtf8(body));
        QCOMPARE(Status()->textFormat(), Qt::PlainText);
        QVERIFY(!autoCheckPending);
    }

    void downloadButtonOpensTheSiteAndCloses()
    {
        server->answer(200, "9.9.9");
        TUrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
        form->show();
        VerifyNewsOutcome(QStringLiteral("9.9.9"));
        QTest::mouseClick(Button("DownloadButton"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QVERIFY(!form->isVisible());
        QCOMPARE(recorder.opened, QList<QUrl> { QUrl("https://" + server->hostAndPort() + "/") });
    }

    void failuresShowOneLine_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("automatic");
        QTest::newRow("not found") << 404 << QByteArray("1.2.1") << false;
        QTest::newRow("not found at start-up") << 404 << QByteArray("1.2.1") << true;
        QTest::newRow("redirect") << 302 << QByteArray("1.2.1") << false;
        QTest::newRow("refused") << TTestHttpServer::kRefuse << QByteArray() << true;
        QTest::newRow("dropped") << TTestHttpServer::kDrop << QByteArray() << false;
        QTest::newRow("over 64 KiB") << 200 << QByteArray(64 * 1024 + 1, '1') << false;
        QTest::newRow("not UTF-8") << 200 << QByteArray("1.2.\xff\xfe") << false;
    }
    void failuresShowOneLine()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, automatic);
        server->answer(status, body);
        autoCheckPending = automatic;
        form->show();
        VerifyCloseOutcome(kFailure);
        QVERIFY(!autoCheckPending);
    }

    void statusLineAnimatesWhileWaiting()
    {
        server->answer(TTestHttpServer::kHold, {});
        QStringList texts;
        bool buttonShown = false;
        TPoller poller([&] {
            buttonShown = buttonShown || Button("OKButton")->isVisible() || Button("DownloadButton")->isVisible();
            if (texts.value(texts.size() - 1) != Status()->text())
                texts.append(Status()->text());
            return texts.size() == 5 && form->close();
        });
        form->show();
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), kReplyWaitMs);
        QCOMPARE(texts, QStringList({ kChecking, kChecking + ".", kChecking + "..", kChecking + "...", kChecking }));
        QVERIFY(!buttonShown);
    }

    void closingWhileCheckingCancelsAndNextShowStartsAfresh()
    {
        server->answer(TTestHttpServer::kHold, {});
        autoCheckPending = true;
        TPoller poller([&] { return !server->requests.isEmpty() && form->close(); });
        form->show();
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), kReplyWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(server->heldConnectionsClosedByClient, 1, kReplyWaitMs);
        QVERIFY(!autoCheckPending);

        server->answer(200, "1.3.0");
        form->show();
        QCOMPARE(Status()->text(), kChecking);
        QVERIFY(!Button("OKButton")->isVisible());
        VerifyNewsOutcome(QStringLiteral("1.3.0"));
        QCOMPARE(server->requests.size(), 2);
    }
};

QTEST_MAIN(UpdateFormTest)
#include "checkupdatesunit_test.moc"
