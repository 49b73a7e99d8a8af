#pragma once

#include <QDialog>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

#include <optional>

class QLabel;
class QNetworkReply;
class QPushButton;

// The window that asks the maker's web site for the latest release number and tells whether it
// differs from this build's. Every showing runs one fresh check; closing the window cancels it.
class TUpdateForm : public QDialog
{
    Q_OBJECT
public:
    // autoCheckPending is true only for the automatic check at start-up; the window clears it
    // when that check ends, and closes itself when that check finds no new version.
    explicit TUpdateForm(bool &autoCheckPending, QWidget *parent = nullptr);

    // Host (with an optional ":port") asked for the version file and opened as the download page.
    void setSiteHost(const QString &host);

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum TCheckStatus { CheckRunning = 0, CheckAnswered = 1, CheckFailed = 2 };

    void FormShow();
    void RunCheck();
    std::optional<QString> FetchLatestVersion();
    void Timer1Timer();
    void FormCloseQuery();
    void OKButtonClick();
    void DownloadButtonClick();

    bool &m_autoCheckPending;
    QString m_siteHost;
    int UpdateCheckStatus = CheckAnswered;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer Timer1;
    QLabel *UpdateStatusLabel = nullptr;
    QPushButton *DownloadButton = nullptr;
    QPushButton *OKButton = nullptr;
};
