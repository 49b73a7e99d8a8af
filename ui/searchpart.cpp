#include "ui/searchpart.h"

#include "engine/base/catalogue.h"
#include "engine/base/searchobserver.h"
#include "engine/cleanup/decisionstore.h"
#include "engine/results/textformat.h"
#include "engine/search.h"
#include "engine/store/signaturestore.h"
#include "settings/settings.h"
#include "ui/messageboxes.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <memory>

namespace
{
constexpr int kStateChangePauseMs = 100;
constexpr int kProgressLineSpacing = 32;
constexpr int kProgressFirstLineOffset = 64;
constexpr int kProgressLineHeight = 30;

QString SignaturesCountCaption(int32_t fromStore, int32_t decoded)
{
    return TSearchPart::tr("来自签名缓存：%1 张，已解码：%2 张").arg(FormatCount(fromStore), FormatCount(decoded));
}

// Lets a running search keep the window alive and report its progress through the part's signals.
class TWindowSearchObserver : public TSearchObserver
{
public:
    TWindowSearchObserver(TSearchPart &part, const QCheckBox &scanSubfolders,
        const std::function<std::vector<QByteArray>()> &listedFolders)
        : m_part(part)
        , m_scanSubfolders(scanSubfolders)
        , m_listedFolders(listedFolders)
    {
    }

    void Pump() override { QCoreApplication::processEvents(); }
    void FilesCountChanged(const QString &caption) override { emit m_part.FilesCountChanged(caption); }
    void DuplicatesFoundChanged(const QString &caption) override { emit m_part.DuplicatesFoundChanged(caption); }
    void SignaturesCountChanged(int32_t fromStore, int32_t decoded) override
    {
        emit m_part.SignaturesCountChanged(SignaturesCountCaption(fromStore, decoded));
    }
    bool ScanSubfolders() const override { return m_scanSubfolders.isChecked(); }
    std::vector<QByteArray> ListedFolders() const override { return m_listedFolders(); }

private:
    TSearchPart &m_part;
    const QCheckBox &m_scanSubfolders;
    const std::function<std::vector<QByteArray>()> &m_listedFolders;
};

// The line shown after a search on why the store was not used or what happened to it.
QString StoreProblemLine(const TSignatureStore &store)
{
    switch (store.Problem()) {
    case TStoreProblem::None:
        return QString();
    case TStoreProblem::Corrupt:
        return store.IsUsable() ? TSearchPart::tr("签名缓存已损坏：已移到一旁并新建了一个。")
                                : TSearchPart::tr("签名缓存已损坏：本次搜索未使用它，已移到一旁，下次搜索将新建一个。");
    case TStoreProblem::Locked:
        return TSearchPart::tr("签名缓存被其他程序锁定：本次搜索未使用它。");
    case TStoreProblem::ReadOnly:
        return TSearchPart::tr("签名缓存无法写入：本次搜索未使用它。");
    case TStoreProblem::Full:
        return TSearchPart::tr("磁盘已满：本次搜索未使用签名缓存。");
    case TStoreProblem::Newer:
        return TSearchPart::tr("签名缓存由更新版本的程序写入：本次搜索未使用它。");
    case TStoreProblem::Other:
        break;
    }
    return TSearchPart::tr("签名缓存出错：本次搜索未使用它。");
}
}

TSearchPart::TSearchPart(const TSearchWidgets &widgets, TCatalogue &catalogue, const TSettings &settings,
    const TProcessingOptions &processing, std::function<std::vector<QByteArray>()> listedFolders,
    std::function<std::vector<QByteArray>()> referenceFolders, QObject *parent)
    : QObject(parent)
    , m_widgets(widgets)
    , m_catalogue(catalogue)
    , m_settings(settings)
    , m_processing(processing)
    , m_listedFolders(std::move(listedFolders))
    , m_referenceFolders(std::move(referenceFolders))
{
    connect(this, &TSearchPart::FilesCountChanged, m_widgets.FilesCount, &QLabel::setText);
    connect(this, &TSearchPart::DuplicatesFoundChanged, m_widgets.CurrentDuplicatesFound, &QLabel::setText);
    connect(this, &TSearchPart::SignaturesCountChanged, m_widgets.SignaturesCount, &QLabel::setText);
    connect(m_widgets.Timer, &QTimer::timeout, this, &TSearchPart::ShowElapsedTime);
}

void TSearchPart::StartOrStop()
{
    if (m_catalogue.SearchStopped) {
        m_catalogue.SearchStopped = false;
        Run();
    } else {
        m_catalogue.SearchStopped = true;
    }
}

void TSearchPart::Run()
{
    if (m_listedFolders().empty()) {
        ErrorBox(m_widgets.Window, tr("请添加一个或多个要搜索的目录。"));
        m_catalogue.SearchStopped = true;
        return;
    }
    if (!m_settings.AnyPictureTypeSelected()) {
        ErrorBox(m_widgets.Window, tr("请在“设置”菜单中选择一种或多种文件类型。"));
        m_catalogue.SearchStopped = true;
        return;
    }
    SetSearchingState();
    // Opened for each search, so that a store set aside once is tried afresh the next time; inside
    // the search, whose clean-up then also follows an error in opening it.
    std::shared_ptr<TSignatureStore> store;

    TProcessingOptions processing = m_processing;
    processing.ReferenceFolders = m_referenceFolders();
    // Decisions that cannot be read leave the search as it would be without them, and say so.
    QString decisionsError;
    processing.Dismissed = TDecisionStore().ForSearch(&decisionsError);
    const QString decisionsLine
        = decisionsError.isEmpty() ? QString() : tr("无法读取“不是重复项”决定，本次搜索未使用它们：") + decisionsError;

    // The clean-up runs however the search ends; an error then goes on to the application's box,
    // which is then the only word on how the search ended.
    auto cleanUp = [this, &store, &decisionsLine](bool failed) {
        m_widgets.Timer->stop();
        const QString storeLine = (store ? StoreProblemLine(*store) : QString()) + decisionsLine;
        // A close during the search has emptied the catalogue; the list must not see stale pairs.
        emit ResultsReplaced(m_windowClosed ? 0 : std::max(m_catalogue.PairsLast + 1, 0));
        SetIdleState();
        if (!m_windowClosed && !failed) {
            InformationBox(m_widgets.Window,
                SearchResultMessage(m_catalogue.SearchStopped, m_widgets.FilesCount->text(),
                    m_widgets.CurrentDuplicatesFound->text(), m_widgets.Time->text())
                    + storeLine);
        }
        m_catalogue.SearchStopped = true;
    };

    try {
        store = std::make_shared<TSignatureStore>(TSignatureStore::DefaultFile());
        m_catalogue.SearchStopped = false;
        m_catalogue.StartTicks = TickCount();
        m_widgets.Timer->start();
        emit ResultsEmptied();

        TWindowSearchObserver observer(*this, *m_widgets.ScanSubfolders, m_listedFolders);
        RunSearchSteps(m_catalogue, m_settings, observer, processing, store);

        if (!m_windowClosed) {
            m_widgets.DuplicatesFound->setText(tr("发现重复项： %1").arg(FormatCount(m_catalogue.PairsLast + 1)));
            m_widgets.DiskUsage->setText(tr("磁盘空间使用情况：%1").arg(SizeToText(m_catalogue.DiskUsage)));
            m_widgets.ScannedCount->setText(tr("扫描文件：%1").arg(FormatCount(m_catalogue.PicturesLast + 1)));
        }
    } catch (...) {
        cleanUp(true);
        throw;
    }
    cleanUp(false);

    if (!m_windowClosed && m_catalogue.PairsLast >= 0)
        emit FirstPairReady();
}

void TSearchPart::SetControlsEnabled(bool enabled)
{
    for (QWidget *widget : m_widgets.Controls)
        widget->setEnabled(enabled);
    for (QAction *action : m_widgets.Actions)
        action->setEnabled(enabled);
}

void TSearchPart::SetSearchingState()
{
    SetControlsEnabled(false);
    m_widgets.ScannedCount->setText(tr("扫描的文件： 0"));
    m_widgets.DuplicatesFound->setText(tr("发现重复项： %1").arg(0));
    m_widgets.DiskUsage->setText(tr("磁盘空间使用情况：0 MB"));
    m_widgets.Start->setText(tr("停止搜索"));
    m_widgets.StartAction->setText(tr("停止搜索"));
    m_widgets.SearchPanel->resize(m_widgets.CentralPanel->width(), m_widgets.CentralPanel->height());
    emit FilesCountChanged(tr("扫描图像： 0 / 0"));
    emit DuplicatesFoundChanged(tr("相似图像： 0"));
    m_widgets.Time->setText(tr("运行时间： %1").arg(ElapsedTimeText(0)));
    emit SignaturesCountChanged(SignaturesCountCaption(0, 0));
    LayOutProgress();
    emit SearchingStateEntered();
    QThread::msleep(kStateChangePauseMs);
}

void TSearchPart::SetIdleState()
{
    SetControlsEnabled(true);
    m_widgets.Start->setText(tr("开始搜索"));
    m_widgets.StartAction->setText(tr("开始搜索"));
    m_widgets.SearchPanel->resize(m_widgets.CentralPanel->width(), 0);
    emit IdleStateEntered();
    QThread::msleep(kStateChangePauseMs);
}

void TSearchPart::ShowElapsedTime()
{
    if (!m_catalogue.SearchStopped)
        m_widgets.Time->setText(tr("运行时间： %1").arg(ElapsedTimeText(TickCount() - m_catalogue.StartTicks)));
}

void TSearchPart::LayOutProgress()
{
    if (m_catalogue.SearchStopped)
        return;
    const int height = m_widgets.CentralPanel->height();
    const int width = m_widgets.CentralPanel->width();
    m_widgets.SearchPanel->resize(width, height);
    const int filesTop = height / 2 - kProgressFirstLineOffset;
    QLabel *const lines[]
        = { m_widgets.FilesCount, m_widgets.CurrentDuplicatesFound, m_widgets.Time, m_widgets.SignaturesCount };
    for (int i = 0; i < 4; ++i)
        lines[i]->setGeometry(0, filesTop + i * kProgressLineSpacing, width, kProgressLineHeight);
}

void TSearchPart::UpdateEmptyStoreCaption()
{
    m_widgets.EmptyStore->setText(
        tr("清空签名缓存（%1）").arg(SizeToText(TSignatureStore::SizeOnDisk(TSignatureStore::DefaultFile()))));
}

void TSearchPart::EmptyStore()
{
    TSignatureStore store(TSignatureStore::DefaultFile());
    if (!store.Empty())
        WarningBox(m_widgets.Window, tr("无法清空签名缓存。"));
    UpdateEmptyStoreCaption();
}
