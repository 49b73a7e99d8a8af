#pragma once

#include "engine/base/catalogue.h"
#include "engine/cleanup/actionjournal.h"
#include "engine/cleanup/picturemarks.h"
#include "engine/compare/processing.h"
#include "fileops/fileoperations.h"
#include "settings/settings.h"

#include <QImage>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QPoint;
class QListWidget;
class QMenu;
class QSpinBox;
class QSplitter;
class QTableView;
class QTimer;
class QUrl;
class QToolButton;
class QPushButton;
class TAboutForm;
class TFolderDialog;
class TPairListModel;
class TMarksPart;
class TPictureActions;
class TPreviewPart;
class TSearchPart;
class TSettingsForm;
class TUpdateForm;

// State of the main window's unit: it outlives any one search and is shared by every part of the
// window, so it is kept outside the window object.
struct TMainUnit {
    TCatalogue Catalogue;
    TSettings Settings;
    QString ProgramDir;
    bool FolderHintShown = true;
    bool AutoCheckPending = false;
    int32_t SortColumn = 0;
    bool SortDescending = false;

    // The secondary windows, created hidden at start-up after the main window; null until then.
    TAboutForm *AboutForm = nullptr;
    TSettingsForm *SettingsForm = nullptr;
    TUpdateForm *UpdateForm = nullptr;

    // Back to the state the program starts with, so that one test leaves nothing to the next.
    void Reset() { *this = TMainUnit(); }
};
extern TMainUnit MainUnit;

// A catalogued picture's file name as boxes and captions show it.
QString ShownFileName(int32_t picture);

class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kBetweenImagesWidth = 79;
    static constexpr int kClientWidth = 1035;
    static constexpr int kClientHeight = 861;

    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Start-up, close and menus.
    void FormCreate();
    void FormShow();
    void FormResize();
    bool FormCloseQuery();
    void Exit1Click();
    void Settings1Click();
    void About1Click();
    void CheckforUpdates1Click();
    void Howtouse1Click();
    void Visitprogramswebsite1Click();
    void Donate1Click();
    // Empties the signature store; the menu entry shows the store's size.
    void EmptySignatureStore1Click();
    void UpdateEmptySignatureStoreCaption();

    // Search and its progress.
    void StartButtonClick();
    void RunSearch();
    void SetSearchingState();
    void SetIdleState();
    void Timer1Timer();
    void CentralPanelResize();

    // Folder list.
    void AddFolderButtonClick();
    void RemoveFolderButtonClick();
    void MoveFolderUpButtonClick();
    void MoveFolderDownButtonClick();
    void ClearDirectoriesButtonClick();
    void DirectoriesListBoxKeyDown(QKeyEvent *event);
    void Label1Click();
    // Adds the folders of dropped items (a file adds the folder it lies in); items that are not
    // local files or lie in no existing folder are ignored.
    void DropUrls(const QList<QUrl> &urls);
    // The listed folders as raw paths, each ending with "/"; empty while the hint shows.
    std::vector<QByteArray> ListedFolders() const;
    // Those of the listed folders the person made reference folders: their pictures are compared
    // but never paired with each other, marked, moved or deleted.
    std::vector<QByteArray> ReferenceFolders() const;
    // Acts on the selected folder; the folder list's context menu offers it.
    void UseAsReferenceFolder(bool reference);

    // Result list, preview, file actions and export.
    void SetListRowCount(int rows);
    void ListView1Click();
    void ListView1ColumnClick(int column);
    void ListView1KeyUp(QKeyEvent *event);
    void ListView1SelectionChanged();
    // Shows only the pairs at least `percent` similar; 0 shows all.
    void ShowPairsAtLeast(int percent);
    void NotDuplicatesClick();
    void SwapImagesButtonClick();
    void LeftImageClick();
    void RightImageClick();
    void DeleteImageButton1Click();
    void DeleteImageButton2Click();
    void MoveImageButton1Click();
    void MoveImageButton2Click();
    void BrowseImageButton1Click();
    void BrowseImageButton2Click();
    void SavelistofdupliacatestoCSV1Click();

    // Undoes the last trash or move, of one picture or of the marked ones.
    void Undo1Click();
    // The journal of trashed and moved files that undo works from; a test may point it elsewhere.
    QByteArray JournalPath = DefaultJournalPath();

    // Result list rows, produced from Catalogue.Pairs.
    TPairListModel *ListModel = nullptr;
    void CreateParts();
    const TPictureMarks &Marks() const { return m_pictureMarks; }
    const TPictureActions &PictureActions() const { return *m_actions; }
    // The selected row, or -1 when the list has no rows or none is selected.
    int SelectedRow() const;

    // The file-system calls of the file actions, the export and the settings file; a test may
    // point it at its own instance, which must outlive the window.
    TFileOperations *FileOperations = &SystemFileOperations();
    // How a search spreads its work and signs each picture; a test may put its own signer here.
    TProcessingOptions SearchProcessing;

private:
    // Shows the list and the preview as they are after an action on the results.
    void FinishFileAction(int row);

public:
    // Folder area.
    QWidget *TopPanel = nullptr;
    QListWidget *DirectoriesListBox = nullptr;
    QWidget *Panel2 = nullptr;
    QLabel *FoldersCaptionLabel = nullptr;
    QToolButton *AddFolderButton = nullptr;
    QToolButton *RemoveFolderButton = nullptr;
    QToolButton *MoveFolderUpButton = nullptr;
    QToolButton *MoveFolderDownButton = nullptr;
    QToolButton *ClearDirectoriesButton = nullptr;
    QPushButton *StartButton = nullptr;
    QCheckBox *ScanSubfoldersCheckBox = nullptr;
    QLabel *Label1 = nullptr;
    QSplitter *Splitter1 = nullptr;

    // Preview area.
    QWidget *CentralPanel = nullptr;
    QWidget *SearchPanel = nullptr;
    QLabel *FilesCountLabel = nullptr;
    QLabel *CurrentDuplicatesFoundLabel = nullptr;
    QLabel *TimeLabel = nullptr;
    // Pictures taken from the signature store and pictures decoded during a search.
    QLabel *SignaturesCountLabel = nullptr;
    QWidget *ImagePanel1 = nullptr;
    QWidget *BetweenImagesPanel = nullptr;
    QWidget *ImagePanel2 = nullptr;
    QLabel *LeftImage = nullptr;
    QLabel *RightImage = nullptr;
    QLabel *ImageLabel1 = nullptr;
    QLabel *ImageLabel2 = nullptr;
    QLabel *SimilarityLabel = nullptr;
    QLabel *PercentLabel = nullptr;
    QToolButton *SwapImagesButton = nullptr;
    // Takes the pair out of the results and remembers that its two pictures are not duplicates.
    QToolButton *NotDuplicatesButton = nullptr;
    QToolButton *MoveImageButton1 = nullptr;
    QToolButton *BrowseImageButton1 = nullptr;
    QToolButton *DeleteImageButton1 = nullptr;
    QToolButton *MoveImageButton2 = nullptr;
    QToolButton *BrowseImageButton2 = nullptr;
    QToolButton *DeleteImageButton2 = nullptr;
    QLabel *MoveImageLabel1 = nullptr;
    QLabel *BrowseImageLabel1 = nullptr;
    QLabel *DeleteImageLabel1 = nullptr;
    QLabel *MoveImageLabel2 = nullptr;
    QLabel *BrowseImageLabel2 = nullptr;
    QLabel *DeleteImageLabel2 = nullptr;
    // "已标记" over a marked picture of the preview.
    QLabel *MarkLabel1 = nullptr;
    QLabel *MarkLabel2 = nullptr;
    // "参考" over a picture of a reference folder, which is never marked.
    QLabel *ReferenceLabel1 = nullptr;
    QLabel *ReferenceLabel2 = nullptr;
    QSplitter *Splitter2 = nullptr;

    // Result area.
    QWidget *BottomPanel = nullptr;
    QWidget *SummaryPanel = nullptr;
    QLabel *ScannedCountLabel = nullptr;
    QLabel *DuplicatesFoundLabel = nullptr;
    QLabel *DiskUsageLabel = nullptr;
    QTableView *ListView1 = nullptr;
    // Shows only the pairs at least this similar; 0 shows all.
    QSpinBox *ShownSimilaritySpinBox = nullptr;
    // How many pairs the filter shows; empty without it.
    QLabel *ShownCountLabel = nullptr;
    // The list's context menu and its key N.
    QAction *NotDuplicates1 = nullptr;
    // Checked on a reference folder; the folder list's context menu.
    QAction *UseAsReferenceFolder1 = nullptr;

    // Menu and non-visual parts.
    QMenu *File1 = nullptr;
    QAction *StartSearch1 = nullptr;
    QAction *SavelistofdupliacatestoCSV1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *EmptySignatureStore1 = nullptr;
    QMenu *Mark1 = nullptr;
    QAction *KeepMostPixels1 = nullptr;
    QAction *KeepLargest1 = nullptr;
    QAction *KeepOldest1 = nullptr;
    QAction *KeepNewest1 = nullptr;
    QAction *KeepInsideFolder1 = nullptr;
    QAction *ClearAllMarks1 = nullptr;
    QAction *DeleteMarked1 = nullptr;
    QAction *MoveMarked1 = nullptr;
    QAction *Undo1 = nullptr;
    // Its caption counts the decisions.
    QAction *ForgetDismissed1 = nullptr;
    QAction *Settings1 = nullptr;
    QMenu *Help1 = nullptr;
    QAction *Howtouse1 = nullptr;
    QAction *CheckforUpdates1 = nullptr;
    QAction *Visitprogramswebsite1 = nullptr;
    QAction *About1 = nullptr;
    QAction *Donate1 = nullptr;
    QTimer *Timer1 = nullptr;
    TFolderDialog *AddFolderDialog = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateLayout();
    void CreateFolderArea();
    void CreatePreviewArea();
    void CreateResultArea();
    void CreateMenu();
    void PlaceCentralPanels();
    void LayOutImagePanel(QWidget *panel, QLabel *image, QLabel *details);
    void LayOutBetweenImagesPanel();
    void SetCaptionHover(QObject *button, bool hovered);
    void ConnectHandlers();
    void CreateSearchPart();
    void ApplyShownFilter();
    void ShowFolderMenu(const QPoint &position);
    void ShowSamplePair();
    void LeaveHintState();
    // Shows `hint`, indented, below two empty lines.
    void EnterHintState(const QString &hint);
    int SelectedFolderRow() const;
    void AddFolderItem(const QByteArray &folder);
    // The listed folders' paths, or only the reference folders'.
    std::vector<QByteArray> FoldersOfList(bool referenceOnly) const;
    QByteArray DroppedFolder(const QByteArray &path) const;

    bool m_shownOnce = false;

    TPreviewPart *m_preview = nullptr;
    TPictureActions *m_actions = nullptr;
    TMarksPart *m_marks = nullptr;
    TSearchPart *m_search = nullptr;
    // The marks of the bulk clean-up, over the pictures of the catalogue; the list, the preview
    // and the actions show and follow them.
    TPictureMarks m_pictureMarks;
};
