#include "ui/mainunit.h"

#include "engine/results/resultwriter.h"
#include "engine/results/textformat.h"
#include "ui/folderdialog.h"
#include "ui/messageboxes.h"
#include "ui/pairlistmodel.h"
#include "ui/previewpart.h"
#include "ui/showinfolder.h"
#include "uicore/sortprocedures.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTableView>
#include <QThread>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <cerrno>

namespace
{

enum { kBeforeDeletePauseMs = 200 };

const QString kLineBreak = QStringLiteral("\n\r");

int32_t PictureOfSide(const TPicturePair &pair, int side) { return side == 1 ? pair.PicIndex1 : pair.PicIndex2; }

QString ShownFileName(int32_t picture) { return QFile::decodeName(MainUnit.Catalogue.Pictures[picture].FileName); }

QString ChangedSinceSearchText(int32_t picture)
{
    return TMainForm::tr("文件在搜索后已更改，未执行任何操作：") + kLineBreak + ShownFileName(picture);
}

} // namespace

void TMainForm::CreateResultListModel()
{
    ListModel = new TPairListModel(MainUnit.Catalogue, MainUnit.Marks, this);
    connect(ListModel, &TPairListModel::MarkRequested, this, &TMainForm::SetMark);
    ListView1->setModel(ListModel);
    ApplyPairListColumnWidths(ListView1);
    TPreviewWidgets widgets;
    widgets.List = ListView1;
    widgets.Pictures[0] = LeftImage;
    widgets.Pictures[1] = RightImage;
    widgets.Details[0] = ImageLabel1;
    widgets.Details[1] = ImageLabel2;
    widgets.MarkLabels[0] = MarkLabel1;
    widgets.MarkLabels[1] = MarkLabel2;
    widgets.Percent = PercentLabel;
    widgets.FileButtons = { MoveImageButton1, BrowseImageButton1, DeleteImageButton1, MoveImageButton2,
        BrowseImageButton2, DeleteImageButton2 };
    m_preview = new TPreviewPart(widgets, ListModel, this);
    connect(m_preview, &TPreviewPart::PictureClicked, this, [this](int side) {
        if (side == 1)
            LeftImageClick();
        else
            RightImageClick();
    });
}

int TMainForm::SelectedRow() const { return m_preview->SelectedRow(); }

void TMainForm::SetListRowCount(int rows)
{
    ListModel->SetRowCount(rows);
    if (rows > 0)
        ApplyPairListColumnWidths(ListView1);
}

void TMainForm::ListView1Click() { m_preview->ShowSelectedPair(); }

void TMainForm::ShowPreviewMarks() { m_preview->ShowMarks(); }

void TMainForm::ListView1SelectionChanged() { m_preview->SelectionChanged(); }

void TMainForm::ListView1ColumnClick(int column)
{
    const int row = SelectedRow();
    const TPicturePair selected = row >= 0 ? MainUnit.Catalogue.Pairs[row] : TPicturePair {};
    if (!SortByColumn(MainUnit.Catalogue, column, MainUnit.SortColumn, MainUnit.SortDescending))
        return;
    SetListRowCount(MainUnit.Catalogue.PairsCapacity);
    // The selection follows its pair, whose preview then needs no refresh.
    if (row < 0)
        return;
    const auto end = MainUnit.Catalogue.Pairs.begin() + MainUnit.Catalogue.PairsCapacity;
    const auto found = std::find_if(MainUnit.Catalogue.Pairs.begin(), end, [&](const TPicturePair &pair) {
        return pair.PicIndex1 == selected.PicIndex1 && pair.PicIndex2 == selected.PicIndex2;
    });
    const int newRow = found == end ? row : int(found - MainUnit.Catalogue.Pairs.begin());
    ListView1->selectRow(newRow);
    ListView1->scrollTo(ListModel->index(newRow, 0));
}

void TMainForm::ListView1KeyUp(QKeyEvent *event) { m_preview->ListKeyUp(event); }

void TMainForm::SwapImagesButtonClick() { m_preview->Swap(); }

void TMainForm::OpenImage(int side)
{
    const int32_t picture = m_preview->PreviewedPicture(SelectedRow(), side);
    if (picture < 0)
        return;
    const QByteArray path = FullPath(MainUnit.Catalogue, picture);
    if (PictureExists(path))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path)));
}

void TMainForm::LeftImageClick() { OpenImage(1); }

void TMainForm::RightImageClick() { OpenImage(2); }

bool TMainForm::PictureExists(const QByteArray &path)
{
    TFileStamp stamp;
    return FileOperations->Stat(path, stamp) == 0 && !stamp.IsFolder;
}

// Asked again right before a delete or move acts, so that a file edited or replaced after the
// search is never removed on the strength of an old comparison.
bool TMainForm::PictureChangedSinceSearch(int32_t picture, const QByteArray &path)
{
    const TPicInfo &info = MainUnit.Catalogue.Pictures[picture];
    TFileStamp current;
    // A file gone meanwhile is left to the action itself, which reports its error code.
    if (FileOperations->Stat(path, current) != 0 || FileIsUnchanged(current, RecordedStamp(info)))
        return false;
    ErrorBox(this, ChangedSinceSearchText(picture));
    return true;
}

// Runs a delete or move on the picture of `row`'s pair, then shows the list and the preview as
// they are now, also when the action throws. Not left to a destructor: showing the preview can
// itself raise an error.
void TMainForm::ActOnFile(int row, const std::function<void()> &action)
{
    try {
        action();
    } catch (...) {
        FinishFileAction(row);
        throw;
    }
    FinishFileAction(row);
}

void TMainForm::FinishFileAction(int row)
{
    SetListRowCount(MainUnit.Catalogue.PairsCapacity);
    if (MainUnit.Catalogue.PairsCapacity > 0)
        ListView1->selectRow(std::min(row, MainUnit.Catalogue.PairsLast));
    SetIdleState();
    if (MainUnit.Catalogue.PairsCapacity > 0)
        ListView1Click();
    else
        // The last pair shown may be in the trash now; it is no longer listed.
        m_preview->ShowNoPair();
    ShowPreviewMarks();
}

void TMainForm::DeleteImage(int side)
{
    const int row = SelectedRow();
    const int32_t picture = m_preview->PreviewedPicture(row, side);
    if (picture < 0)
        return;
    const QByteArray path = FullPath(MainUnit.Catalogue, picture);
    const QString name = ShownFileName(picture);
    if (!PictureExists(path)) {
        // The two sides have always differed in this colon.
        const QString notFound = side == 1 ? tr("找不到此文件:") : tr("找不到此文件：");
        ErrorBox(this, notFound + kLineBreak + name);
        return;
    }
    QThread::msleep(kBeforeDeletePauseMs);
    if (!MainUnit.Settings.DeleteWithoutAsking
        && !AskYesNo(this, QMessageBox::Question, tr("您真的要删除吗") + kLineBreak + name))
        return;
    if (PictureChangedSinceSearch(picture, path))
        return;
    ActOnFile(row, [&] {
        const TBatchAction action = MainUnit.Settings.MoveToRecycle ? TBatchAction::Trash : TBatchAction::Delete;
        TActedFile acted;
        const int error = ActOnPicture(MainUnit.Catalogue, picture,
            PictureOfSide(MainUnit.Catalogue.Pairs[row], 3 - side), action, {}, *FileOperations, acted);
        if (error == 0)
            TakeOutOfResults(
                { acted }, action == TBatchAction::Trash ? std::optional(TJournalKind::Trash) : std::nullopt);
        else if (error == ESTALE)
            ErrorBox(this, ChangedSinceSearchText(picture));
        else
            // A file the trash refuses stays where it is; the box says which of the two failed.
            ErrorBox(this,
                (action == TBatchAction::Trash ? tr("无法将文件移到回收站%1") : tr("无法删除文件%1")).arg(name)
                    + kLineBreak + tr("错误代码 = %1").arg(error));
    });
}

void TMainForm::DeleteImageButton1Click() { DeleteImage(1); }

void TMainForm::DeleteImageButton2Click() { DeleteImage(2); }

void TMainForm::MoveImage(int side)
{
    const int row = SelectedRow();
    const int32_t picture = m_preview->PreviewedPicture(row, side);
    if (picture < 0)
        return;
    const QByteArray path = FullPath(MainUnit.Catalogue, picture);
    const QString name = ShownFileName(picture);
    if (!PictureExists(path)) {
        ErrorBox(this, QStringLiteral("Cannot find this file:") + kLineBreak + name);
        return;
    }
    AddFolderDialog->Caption = QStringLiteral("Move ") + name + QStringLiteral(" to selected folder");
    if (!AddFolderDialog->Execute())
        return;
    if (PictureChangedSinceSearch(picture, path))
        return;
    ActOnFile(row, [&] {
        QByteArray target = QFile::encodeName(AddFolderDialog->Directory());
        if (!target.endsWith('/'))
            target += '/';
        TActedFile acted;
        const int error = ActOnPicture(MainUnit.Catalogue, picture,
            PictureOfSide(MainUnit.Catalogue.Pairs[row], 3 - side), TBatchAction::Move, target, *FileOperations, acted);
        if (error == 0) {
            TakeOutOfResults({ acted }, TJournalKind::Move);
            InformationBox(this, name + QStringLiteral(" moved successfully"));
        } else {
            ErrorBox(this,
                QStringLiteral("Cannot move file ") + name + kLineBreak + QStringLiteral("Error code = ")
                    + QString::number(error));
        }
    });
}

void TMainForm::MoveImageButton1Click() { MoveImage(1); }

void TMainForm::MoveImageButton2Click() { MoveImage(2); }

void TMainForm::BrowseImage(int side)
{
    const int32_t picture = m_preview->PreviewedPicture(SelectedRow(), side);
    if (picture >= 0)
        ShowInFileManager(FullPath(MainUnit.Catalogue, picture));
}

void TMainForm::BrowseImageButton1Click() { BrowseImage(1); }

void TMainForm::BrowseImageButton2Click() { BrowseImage(2); }

void TMainForm::SavelistofdupliacatestoCSV1Click()
{
    if (ListModel->rowCount() == 0) {
        ErrorBox(this, tr("重复项列表为空。"));
        return;
    }
    QFileDialog dialog(this, tr("将重复项列表保存到CSV文件"));
    dialog.setObjectName(QStringLiteral("SaveCSVFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({ tr("CSV 文件 (*.csv)"), tr("任何文件 (*.*)") });
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    if (QFileInfo::exists(fileName)
        && !AskYesNo(this, QMessageBox::Information, tr("文件 \"%1\" 存在。换一个新的？").arg(fileName)))
        return;
    // Written under a temporary name and renamed, so a failed export leaves any old file intact.
    QString reason;
    if (FileOperations->ReplaceFile(fileName, BuildCsv(MainUnit.Catalogue), &reason) != 0)
        ErrorBox(this, QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason));
}
