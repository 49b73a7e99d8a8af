#include "ui/mainunit.h"

#include "engine/base/searchobserver.h"
#include "engine/results/textformat.h"
#include "engine/search.h"
#include "engine/store/signaturestore.h"
#include "ui/markspart.h"
#include "ui/messageboxes.h"
#include "ui/previewpart.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolButton>

namespace
{
constexpr int kStateChangePauseMs = 100;
constexpr int kProgressLineSpacing = 32;
constexpr int kProgressFirstLineOffset = 64;
constexpr int kProgressLineHeight = 30;

QString SignaturesCountCaption(int32_t fromStore, int32_t decoded)
{
    return TMainForm::tr("来自签名缓存：%1 张，已解码：%2 张").arg(FormatCount(fromStore), FormatCount(decoded));
}

// Lets a running search keep the window alive and report its progress there.
class TWindowSearchObserver : public TSearchObserver
{
public:
    explicit TWindowSearchObserver(TMainForm &form)
        : m_form(form)
    {
    }

    void Pump() override { QCoreApplication::processEvents(); }
    void FilesCountChanged(const QString &caption) override { m_form.FilesCountLabel->setText(caption); }
    void DuplicatesFoundChanged(const QString &caption) override
    {
        m_form.CurrentDuplicatesFoundLabel->setText(caption);
    }
    void SignaturesCountChanged(int32_t fromStore, int32_t decoded) override
    {
        m_form.SignaturesCountLabel->setText(SignaturesCountCaption(fromStore, decoded));
    }
    bool ScanSubfolders() const override { return m_form.ScanSubfoldersCheckBox->isChecked(); }
    std::vector<QByteArray> ListedFolders() const override { return m_form.ListedFolders(); }

private:
    TMainForm &m_form;
};

// The line shown after a search on why the store was not used or what happened to it.
QString StoreProblemLine(const TSignatureStore &store)
{
    switch (store.Problem()) {
    case TStoreProblem::None:
        return QString();
    case TStoreProblem::Corrupt:
        return store.IsUsable() ? TMainForm::tr("签名缓存已损坏：已移到一旁并新建了一个。")
                                : TMainForm::tr("签名缓存已损坏：本次搜索未使用它，已移到一旁，下次搜索将新建一个。");
    case TStoreProblem::Locked:
        return TMainForm::tr("签名缓存被其他程序锁定：本次搜索未使用它。");
    case TStoreProblem::ReadOnly:
        return TMainForm::tr("签名缓存无法写入：本次搜索未使用它。");
    case TStoreProblem::Full:
        return TMainForm::tr("磁盘已满：本次搜索未使用签名缓存。");
    case TStoreProblem::Newer:
        return TMainForm::tr("签名缓存由更新版本的程序写入：本次搜索未使用它。");
    case TStoreProblem::Other:
        break;
    }
    return TMainForm::tr("签名缓存出错：本次搜索未使用它。");
}

}

void TMainForm::StartButtonClick()
{
    if (MainUnit.Catalogue.SearchStopped) {
        MainUnit.Catalogue.SearchStopped = false;
        RunSearch();
    } else {
        MainUnit.Catalogue.SearchStopped = true;
    }
}

void TMainForm::RunSearch()
{
    if (DirectoriesListBox->count() == 0 || MainUnit.FolderHintShown) {
        ErrorBox(this, tr("请添加一个或多个要搜索的目录。"));
        MainUnit.Catalogue.SearchStopped = true;
        return;
    }
    if (!MainUnit.Settings.AnyPictureTypeSelected()) {
        ErrorBox(this, tr("请在“设置”菜单中选择一种或多种文件类型。"));
        MainUnit.Catalogue.SearchStopped = true;
        return;
    }
    SetSearchingState();
    // Opened for each search, so that a store set aside once is tried afresh the next time; inside
    // the search, whose clean-up then also follows an error in opening it.
    std::shared_ptr<TSignatureStore> store;

    // The clean-up runs however the search ends; an error then goes on to the application's box,
    // which is then the only word on how the search ended.
    auto cleanUp = [this, &store](bool failed) {
        // The marks and what undo would bring back name pictures of the results just replaced,
        // however the search ended.
        m_marks->Reset();
        Timer1->stop();
        const QString storeLine = store ? StoreProblemLine(*store) : QString();
        ListView1->setUpdatesEnabled(true);
        // A close during the search has emptied the catalogue; the list must not see stale pairs.
        SetListRowCount(m_closed ? 0 : std::max(MainUnit.Catalogue.PairsLast + 1, 0));
        SetIdleState();
        if (!m_closed && !failed) {
            InformationBox(this,
                SearchResultMessage(MainUnit.Catalogue.SearchStopped, FilesCountLabel->text(),
                    CurrentDuplicatesFoundLabel->text(), TimeLabel->text())
                    + storeLine);
        }
        MainUnit.Catalogue.SearchStopped = true;
    };

    try {
        store = std::make_shared<TSignatureStore>(TSignatureStore::DefaultFile());
        MainUnit.Catalogue.SearchStopped = false;
        MainUnit.Catalogue.StartTicks = TickCount();
        Timer1->start();
        SetListRowCount(0);
        ListView1->setUpdatesEnabled(false);

        TWindowSearchObserver observer(*this);
        RunSearchSteps(MainUnit.Catalogue, MainUnit.Settings, observer, SearchProcessing, store);

        if (!m_closed) {
            DuplicatesFoundLabel->setText(tr("发现重复项： %1").arg(FormatCount(MainUnit.Catalogue.PairsLast + 1)));
            DiskUsageLabel->setText(tr("磁盘空间使用情况：%1").arg(SizeToText(MainUnit.Catalogue.DiskUsage)));
            ScannedCountLabel->setText(tr("扫描文件：%1").arg(FormatCount(MainUnit.Catalogue.PicturesLast + 1)));
        }
    } catch (...) {
        cleanUp(true);
        throw;
    }
    cleanUp(false);

    if (!m_closed && ListView1->model() && ListView1->model()->rowCount() > 0) {
        ListView1->selectRow(0);
        ListView1Click();
    }
}

void TMainForm::SetSearchControlsEnabled(bool enabled)
{
    for (QWidget *widget : std::initializer_list<QWidget *> { DirectoriesListBox, AddFolderButton, RemoveFolderButton,
             MoveFolderUpButton, MoveFolderDownButton, ClearDirectoriesButton, SwapImagesButton, MoveImageButton1,
             BrowseImageButton1, DeleteImageButton1, MoveImageButton2, BrowseImageButton2, DeleteImageButton2,
             ListView1, ScanSubfoldersCheckBox })
        widget->setEnabled(enabled);
    Settings1->setEnabled(enabled);
    Mark1->menuAction()->setEnabled(enabled);
    EmptySignatureStore1->setEnabled(enabled);
    About1->setEnabled(enabled);
}

void TMainForm::SetSearchingState()
{
    SetSearchControlsEnabled(false);
    ScannedCountLabel->setText(tr("扫描的文件： 0"));
    DuplicatesFoundLabel->setText(tr("发现重复项： %1").arg(0));
    DiskUsageLabel->setText(tr("磁盘空间使用情况：0 MB"));
    m_preview->ShowNoPair();
    // Unlike an emptied list, a search starting shows a similarity of 0%.
    PercentLabel->setText(QStringLiteral("0%"));
    StartButton->setText(tr("停止搜索"));
    StartSearch1->setText(tr("停止搜索"));
    LeftImage->setEnabled(false);
    RightImage->setEnabled(false);
    SearchPanel->resize(CentralPanel->width(), CentralPanel->height());
    FilesCountLabel->setText(tr("扫描图像： 0 / 0"));
    CurrentDuplicatesFoundLabel->setText(tr("相似图像： 0"));
    TimeLabel->setText(tr("运行时间： %1").arg(ElapsedTimeText(0)));
    SignaturesCountLabel->setText(SignaturesCountCaption(0, 0));
    CentralPanelResize();
    PlaceCentralPanels();
    QThread::msleep(kStateChangePauseMs);
}

void TMainForm::SetIdleState()
{
    SetSearchControlsEnabled(true);
    StartButton->setText(tr("开始搜索"));
    StartSearch1->setText(tr("开始搜索"));
    LeftImage->setEnabled(true);
    RightImage->setEnabled(true);
    SearchPanel->resize(CentralPanel->width(), 0);
    PlaceCentralPanels();
    QThread::msleep(kStateChangePauseMs);
}

void TMainForm::Timer1Timer()
{
    if (!MainUnit.Catalogue.SearchStopped)
        TimeLabel->setText(tr("运行时间： %1").arg(ElapsedTimeText(TickCount() - MainUnit.Catalogue.StartTicks)));
}

void TMainForm::CentralPanelResize()
{
    if (MainUnit.Catalogue.SearchStopped)
        return;
    const int height = CentralPanel->height();
    SearchPanel->resize(CentralPanel->width(), height);
    const int filesTop = height / 2 - kProgressFirstLineOffset;
    const int width = CentralPanel->width();
    FilesCountLabel->setGeometry(0, filesTop, width, kProgressLineHeight);
    CurrentDuplicatesFoundLabel->setGeometry(0, filesTop + kProgressLineSpacing, width, kProgressLineHeight);
    TimeLabel->setGeometry(0, filesTop + 2 * kProgressLineSpacing, width, kProgressLineHeight);
    SignaturesCountLabel->setGeometry(0, filesTop + 3 * kProgressLineSpacing, width, kProgressLineHeight);
}

void TMainForm::UpdateEmptySignatureStoreCaption()
{
    EmptySignatureStore1->setText(
        tr("清空签名缓存（%1）").arg(SizeToText(TSignatureStore::SizeOnDisk(TSignatureStore::DefaultFile()))));
}

void TMainForm::EmptySignatureStore1Click()
{
    TSignatureStore store(TSignatureStore::DefaultFile());
    if (!store.Empty()) {
        WarningBox(this, tr("无法清空签名缓存。"));
    }
    UpdateEmptySignatureStoreCaption();
}
