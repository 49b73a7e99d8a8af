#include "ui/checkupdatesunit.h"

#include "ui/centreonscreen.h"
#include "ui/designscale.h"
#include "ui/site.h"
#include "ui/version.h"
#include "uicore/versionreply.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

namespace
{

constexpr int kDesignDpi = 96;
constexpr int kClientWidth = 538;
constexpr int kClientHeight = 142;
constexpr int kFontPixels = 14;
constexpr int kAnimationIntervalMs = 250;
constexpr int kNewVersionOkLeft = 305;
// A request that receives nothing for this long has failed.
constexpr int kStallTimeoutMs = 30000;

const QString kCheckingText = QStringLiteral("Checking for Update");
const QString kNoUpdateText = QStringLiteral("No updates available at the time.");
const QString kFailureText = QStringLiteral("Error. Can't connect to website.");
const QByteArray kAccept = QByteArrayLiteral("text/html, */*");
const QByteArray kUserAgent = QByteArrayLiteral("Mozilla/3.0 (compatible; Indy Library)");
const QString kVersionFilePath = QStringLiteral("/update/photo_version.txt");

QString NewVersionText(const QString &version)
{
    return QStringLiteral("A new version of Quorvane ") + version + QStringLiteral(" is available!");
}

// Checking for Update -> . -> .. -> ... -> back; any other text is left alone.
std::optional<QString> NextAnimationText(const QString &current)
{
    constexpr int kMaxDots = 3;
    for (int dots = 0; dots <= kMaxDots; ++dots) {
        if (current == kCheckingText + QString(dots, u'.'))
            return kCheckingText + QString((dots + 1) % (kMaxDots + 1), u'.');
    }
    return std::nullopt;
}

}

TUpdateForm::TUpdateForm(bool &autoCheckPending, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_autoCheckPending(autoCheckPending)
    , m_siteHost(SiteHost())
{
    setObjectName(QStringLiteral("UpdateForm"));
    setWindowTitle(kCheckingText);
    QFont formFont = font();
    formFont.setPixelSize(ScaleDesignPixels(kFontPixels, kDesignDpi));
    setFont(formFont);

    m_network.setProxy(QNetworkProxy::NoProxy);

    UpdateStatusLabel = new QLabel(tr("检查更新"), this);
    UpdateStatusLabel->setObjectName(QStringLiteral("UpdateStatusLabel"));
    // The status line quotes what the server sent; it must never be read as markup.
    UpdateStatusLabel->setTextFormat(Qt::PlainText);
    UpdateStatusLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    UpdateStatusLabel->setGeometry(ScaleDesignRect(11, 17, 527, 25, kDesignDpi));

    DownloadButton = new QPushButton(tr("转到下载页面"), this);
    DownloadButton->setObjectName(QStringLiteral("DownloadButton"));
    DownloadButton->setGeometry(ScaleDesignRect(107, 55, 190, 43, kDesignDpi));

    OKButton = new QPushButton(tr("关闭"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(ScaleDesignRect(kNewVersionOkLeft, 55, 137, 43, kDesignDpi));
    setTabOrder(DownloadButton, OKButton);

    Timer1.setInterval(kAnimationIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &TUpdateForm::Timer1Timer);
    connect(OKButton, &QPushButton::clicked, this, &TUpdateForm::OKButtonClick);
    connect(DownloadButton, &QPushButton::clicked, this, &TUpdateForm::DownloadButtonClick);

    setFixedSize(ScaleDesignPixels(kClientWidth, kDesignDpi), ScaleDesignPixels(kClientHeight, kDesignDpi));
}

void TUpdateForm::setSiteHost(const QString &host) { m_siteHost = host; }

void TUpdateForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        CentreOnScreen(this);
        FormShow();
    }
    QDialog::showEvent(event);
}

void TUpdateForm::FormShow()
{
    UpdateCheckStatus = CheckRunning;
    setWindowTitle(kCheckingText);
    UpdateStatusLabel->setText(kCheckingText);
    OKButton->hide();
    OKButton->move((width() - OKButton->width()) / 2, OKButton->y());
    OKButton->setText(QStringLiteral("Close"));
    DownloadButton->hide();
    Timer1.start();
    // The check runs once the window is on the screen and its modal loop is running.
    QMetaObject::invokeMethod(this, &TUpdateForm::RunCheck, Qt::QueuedConnection);
}

void TUpdateForm::RunCheck()
{
    // A window closed before the request went out ends like any cancelled check.
    const std::optional<QString> latestVersion
        = UpdateCheckStatus == CheckRunning ? FetchLatestVersion() : std::nullopt;
    if (latestVersion) {
        UpdateCheckStatus = CheckAnswered;
        if (*latestVersion == QLatin1String(kProgramVersion)) {
            UpdateStatusLabel->setText(kNoUpdateText);
        } else {
            UpdateStatusLabel->setText(NewVersionText(*latestVersion));
            DownloadButton->show();
            OKButton->setText(QStringLiteral("Cancel"));
            OKButton->move(ScaleDesignPixels(kNewVersionOkLeft, kDesignDpi), OKButton->y());
            m_autoCheckPending = false;
        }
    } else {
        UpdateStatusLabel->setText(kFailureText);
        UpdateCheckStatus = CheckFailed;
        m_autoCheckPending = false;
    }
    Timer1.stop();
    if (m_autoCheckPending) {
        m_autoCheckPending = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    } else {
        OKButton->show();
    }
}

std::optional<QString> TUpdateForm::FetchLatestVersion()
{
    QNetworkRequest request(QUrl(QStringLiteral("http://") + m_siteHost + kVersionFilePath));
    request.setRawHeader("Accept", kAccept);
    request.setRawHeader("User-Agent", kUserAgent);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(kStallTimeoutMs);

    QNetworkReply *reply = m_network.get(request);
    m_reply = reply;
    QEventLoop waitForReply;
    connect(reply, &QNetworkReply::finished, &waitForReply, &QEventLoop::quit);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMaxVersionBodyBytes || total > kMaxVersionBodyBytes)
            reply->abort();
    });
    if (!reply->isFinished())
        waitForReply.exec();
    m_reply = nullptr;
    reply->deleteLater();

    return VersionFromReply(reply->error() == QNetworkReply::NoError,
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll());
}

void TUpdateForm::Timer1Timer()
{
    if (UpdateCheckStatus != CheckRunning)
        return;
    if (const std::optional<QString> next = NextAnimationText(UpdateStatusLabel->text()))
        UpdateStatusLabel->setText(*next);
}

void TUpdateForm::done(int result)
{
    FormCloseQuery();
    QDialog::done(result);
}

void TUpdateForm::FormCloseQuery()
{
    UpdateCheckStatus = CheckAnswered;
    if (m_reply)
        m_reply->abort();
}

void TUpdateForm::OKButtonClick() { close(); }

void TUpdateForm::DownloadButtonClick()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("https://") + m_siteHost + QStringLiteral("/")));
    close();
}
