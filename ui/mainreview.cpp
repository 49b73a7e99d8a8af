#include "ui/mainunit.h"

#include "engine/results/resultwriter.h"
#include "engine/results/shownpairs.h"
#include "engine/results/textformat.h"
#include "ui/markspart.h"
#include "ui/messageboxes.h"
#include "ui/pairlistmodel.h"
#include "ui/pictureactions.h"
#include "ui/previewpart.h"
#include "uicore/sortprocedures.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

// The parts of the window over the result list, each wired to the widgets it serves.
void TMainForm::CreateParts()
{
    ListModel = new TPairListModel(MainUnit.Catalogue, m_pictureMarks, this);
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
    widgets.ReferenceLabels[0] = ReferenceLabel1;
    widgets.ReferenceLabels[1] = ReferenceLabel2;
    widgets.Percent = PercentLabel;
    widgets.FileButtons = { MoveImageButton1, BrowseImageButton1, DeleteImageButton1, MoveImageButton2,
        BrowseImageButton2, DeleteImageButton2, NotDuplicatesButton };
    widgets.ChangingButtons[0] = { MoveImageButton1, DeleteImageButton1 };
    widgets.ChangingButtons[1] = { MoveImageButton2, DeleteImageButton2 };
    m_preview = new TPreviewPart(widgets, ListModel, m_pictureMarks, this);
    connect(m_preview, &TPreviewPart::PictureClicked, this, [this](int side) {
        if (side == 1)
            LeftImageClick();
        else
            RightImageClick();
    });
    m_actions = new TPictureActions(this, *m_preview, m_pictureMarks, *AddFolderDialog, FileOperations, JournalPath,
        [this](int row) { FinishFileAction(row); });
    m_marks = new TMarksPart(
        this, ListView1, m_pictureMarks, *ListModel, *m_preview, *m_actions, *AddFolderDialog, FileOperations);
    const std::pair<QAction *, TKeepRule> rules[] = {
        { KeepMostPixels1, TKeepRule::MostPixels },
        { KeepLargest1, TKeepRule::Largest },
        { KeepOldest1, TKeepRule::Oldest },
        { KeepNewest1, TKeepRule::Newest },
        { KeepInsideFolder1, TKeepRule::InsideFolder },
    };
    for (const auto &[action, rule] : rules)
        connect(action, &QAction::triggered, m_marks, [this, rule = rule] { m_marks->MarkByRule(rule); });
    connect(ClearAllMarks1, &QAction::triggered, m_marks, &TMarksPart::ClearAll);
    connect(DeleteMarked1, &QAction::triggered, m_marks, &TMarksPart::DeleteMarked);
    connect(MoveMarked1, &QAction::triggered, m_marks, &TMarksPart::MoveMarked);
    connect(Mark1, &QMenu::aboutToShow, m_marks, [this] { m_marks->UpdateForgetDismissedCaption(ForgetDismissed1); });
    connect(ForgetDismissed1, &QAction::triggered, m_marks, &TMarksPart::ForgetAllDismissed);
    connect(NotDuplicatesButton, &QToolButton::clicked, this, &TMainForm::NotDuplicatesClick);
    connect(NotDuplicates1, &QAction::triggered, this, &TMainForm::NotDuplicatesClick);
    connect(ShownSimilaritySpinBox, &QSpinBox::valueChanged, this, &TMainForm::ShowPairsAtLeast);
    CreateSearchPart();
}

int TMainForm::SelectedRow() const { return m_preview->SelectedRow(); }

void TMainForm::SetListRowCount(int rows)
{
    ListModel->SetRowCount(rows);
    if (rows > 0)
        ApplyPairListColumnWidths(ListView1);
    ApplyShownFilter();
}

void TMainForm::ApplyShownFilter()
{
    // A reset list shows every row; without the filter there is nothing to hide.
    if (!ListModel->MinShown()) {
        ShownCountLabel->clear();
        return;
    }
    const int rows = ListModel->rowCount();
    for (int row = 0; row < rows; ++row)
        ListView1->setRowHidden(row, !ListModel->IsRowShown(row));
    ShownCountLabel->setText(tr("显示 %1 / %2").arg(FormatCount(ListModel->ShownRowCount()), FormatCount(rows)));
}

void TMainForm::ShowPairsAtLeast(int percent)
{
    const bool wasFiltered = ListModel->MinShown().has_value();
    ListModel->SetMinShown(percent > 0 ? std::optional<double>(percent) : std::nullopt);
    if (wasFiltered && percent == 0) {
        for (int row = 0; row < ListModel->rowCount(); ++row)
            ListView1->setRowHidden(row, false);
    }
    ApplyShownFilter();
    const int row = SelectedRow();
    if (row >= 0 && ListModel->IsRowShown(row))
        return;
    // The selection may not rest on a hidden pair: the preview would show what the list does not.
    const int shown = ListModel->NearestShownRow(row);
    if (shown >= 0) {
        ListView1->selectRow(shown);
        ListView1Click();
    } else {
        ListView1->clearSelection();
        m_preview->ShowNoPair();
    }
}

void TMainForm::NotDuplicatesClick() { m_actions->Dismiss(); }

void TMainForm::ListView1Click() { m_preview->ShowSelectedPair(); }

void TMainForm::Undo1Click() { m_actions->Undo(); }

void TMainForm::ListView1SelectionChanged() { m_preview->SelectionChanged(); }

void TMainForm::ListView1ColumnClick(int column)
{
    const int row = SelectedRow();
    const TPicturePair selected = row >= 0 ? MainUnit.Catalogue.Pairs[row] : TPicturePair {};
    if (!SortByColumn(MainUnit.Catalogue, column, MainUnit.SortColumn, MainUnit.SortDescending))
        return;
    SetListRowCount(MainUnit.Catalogue.PairsLast + 1);
    // The selection follows its pair, whose preview then needs no refresh.
    if (row < 0)
        return;
    const auto end = MainUnit.Catalogue.Pairs.begin() + MainUnit.Catalogue.PairsLast + 1;
    const auto found = std::find_if(MainUnit.Catalogue.Pairs.begin(), end, [&](const TPicturePair &pair) {
        return pair.PicIndex1 == selected.PicIndex1 && pair.PicIndex2 == selected.PicIndex2;
    });
    const int newRow = found == end ? row : int(found - MainUnit.Catalogue.Pairs.begin());
    ListView1->selectRow(newRow);
    ListView1->scrollTo(ListModel->index(newRow, 0));
}

void TMainForm::ListView1KeyUp(QKeyEvent *event) { m_preview->ListKeyUp(event); }

void TMainForm::SwapImagesButtonClick() { m_preview->Swap(); }

void TMainForm::LeftImageClick() { m_actions->Open(1); }

void TMainForm::RightImageClick() { m_actions->Open(2); }

void TMainForm::FinishFileAction(int row)
{
    SetListRowCount(MainUnit.Catalogue.PairsLast + 1);
    const int shown = ListModel->NearestShownRow(std::min(row, MainUnit.Catalogue.PairsLast));
    if (shown >= 0)
        ListView1->selectRow(shown);
    SetIdleState();
    if (shown >= 0)
        ListView1Click();
    else
        // The last pair shown may be in the trash now; it is no longer listed.
        m_preview->ShowNoPair();
    m_preview->ShowTags();
}

void TMainForm::DeleteImageButton1Click() { m_actions->Delete(1); }

void TMainForm::DeleteImageButton2Click() { m_actions->Delete(2); }

void TMainForm::MoveImageButton1Click() { m_actions->Move(1); }

void TMainForm::MoveImageButton2Click() { m_actions->Move(2); }

void TMainForm::BrowseImageButton1Click() { m_actions->Browse(1); }

void TMainForm::BrowseImageButton2Click() { m_actions->Browse(2); }

void TMainForm::SavelistofdupliacatestoCSV1Click()
{
    if (ListModel->rowCount() == 0) {
        ErrorBox(this, tr("重复项列表为空。"));
        return;
    }
    // With the filter on, the file holds what the list shows, and the dialog says so.
    const std::vector<int32_t> shown = ShownPairs(MainUnit.Catalogue, ListModel->MinShown());
    QFileDialog dialog(this,
        ListModel->MinShown() ? tr("将显示的 %1 个配对保存到CSV文件").arg(FormatCount(int64_t(shown.size())))
                              : tr("将重复项列表保存到CSV文件"));
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
    if (FileOperations->ReplaceFile(fileName, BuildCsv(MainUnit.Catalogue, shown), &reason) != 0)
        ErrorBox(this, QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason));
}
