#include "ui/mainunit.h"

#include "ui/markspart.h"
#include "ui/previewpart.h"
#include "ui/searchpart.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

void TMainForm::CreateSearchPart()
{
    TSearchWidgets widgets;
    widgets.Window = this;
    widgets.Start = StartButton;
    widgets.StartAction = StartSearch1;
    widgets.ScanSubfolders = ScanSubfoldersCheckBox;
    widgets.CentralPanel = CentralPanel;
    widgets.SearchPanel = SearchPanel;
    widgets.FilesCount = FilesCountLabel;
    widgets.CurrentDuplicatesFound = CurrentDuplicatesFoundLabel;
    widgets.Time = TimeLabel;
    widgets.SignaturesCount = SignaturesCountLabel;
    widgets.ScannedCount = ScannedCountLabel;
    widgets.DuplicatesFound = DuplicatesFoundLabel;
    widgets.DiskUsage = DiskUsageLabel;
    widgets.Timer = Timer1;
    widgets.EmptyStore = EmptySignatureStore1;
    widgets.Controls = { DirectoriesListBox, AddFolderButton, RemoveFolderButton, MoveFolderUpButton,
        MoveFolderDownButton, ClearDirectoriesButton, SwapImagesButton, MoveImageButton1, BrowseImageButton1,
        DeleteImageButton1, MoveImageButton2, BrowseImageButton2, DeleteImageButton2, ListView1, ScanSubfoldersCheckBox,
        NotDuplicatesButton, ShownSimilaritySpinBox };
    widgets.Actions = { Settings1, Mark1->menuAction(), EmptySignatureStore1, About1 };
    m_search = new TSearchPart(
        widgets, MainUnit.Catalogue, MainUnit.Settings, SearchProcessing, [this] { return ListedFolders(); },
        [this] { return ReferenceFolders(); }, this);

    connect(m_search, &TSearchPart::SearchingStateEntered, this, [this] {
        m_preview->ShowNoPair();
        // Unlike an emptied list, a search starting shows a similarity of 0%.
        PercentLabel->setText(QStringLiteral("0%"));
        LeftImage->setEnabled(false);
        RightImage->setEnabled(false);
        PlaceCentralPanels();
    });
    connect(m_search, &TSearchPart::IdleStateEntered, this, [this] {
        LeftImage->setEnabled(true);
        RightImage->setEnabled(true);
        PlaceCentralPanels();
    });
    connect(m_search, &TSearchPart::ResultsEmptied, this, [this] {
        SetListRowCount(0);
        ListView1->setUpdatesEnabled(false);
    });
    connect(m_search, &TSearchPart::ResultsReplaced, this, [this](int rows) {
        // The marks and what undo would bring back name pictures of the results just replaced.
        m_marks->Reset();
        ListView1->setUpdatesEnabled(true);
        SetListRowCount(rows);
    });
    connect(m_search, &TSearchPart::FirstPairReady, this, [this] {
        ListView1->selectRow(0);
        ListView1Click();
    });
}

void TMainForm::StartButtonClick() { m_search->StartOrStop(); }

void TMainForm::RunSearch() { m_search->Run(); }

void TMainForm::SetSearchingState() { m_search->SetSearchingState(); }

void TMainForm::SetIdleState() { m_search->SetIdleState(); }

void TMainForm::Timer1Timer() { m_search->ShowElapsedTime(); }

void TMainForm::CentralPanelResize() { m_search->LayOutProgress(); }

void TMainForm::UpdateEmptySignatureStoreCaption() { m_search->UpdateEmptyStoreCaption(); }

void TMainForm::EmptySignatureStore1Click() { m_search->EmptyStore(); }
