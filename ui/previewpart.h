#pragma once

#include <QObject>

#include <cstdint>
#include <vector>

class QKeyEvent;
class QLabel;
class QTableView;
class QToolButton;
class TPairListModel;
class TPictureMarks;

// The widgets the preview reads from and shows on; the window creates and lays them out.
struct TPreviewWidgets {
    QTableView *List = nullptr;
    // Left side first.
    QLabel *Pictures[2] = {};
    QLabel *Details[2] = {};
    QLabel *MarkLabels[2] = {};
    QLabel *ReferenceLabels[2] = {};
    QLabel *Percent = nullptr;
    // Disabled while no pair is shown: they would act on nothing.
    std::vector<QToolButton *> FileButtons;
    // Per side, those that change the file; disabled for a picture of a reference folder.
    std::vector<QToolButton *> ChangingButtons[2];
};

// The two pictures of the result list's selected pair: what each side shows, when it refreshes,
// swapping the sides, and the "marked" tags over them.
class TPreviewPart : public QObject
{
    Q_OBJECT

public:
    TPreviewPart(const TPreviewWidgets &widgets, TPairListModel *model, const TPictureMarks &marks, QObject *parent);

    // The selected row, or -1 when the list has no rows or none is selected.
    int SelectedRow() const;
    // Shows the selected pair anew from its files.
    void ShowSelectedPair();
    // No pictures, "无图像" on both sides, no similarity, file buttons disabled.
    void ShowNoPair();
    // The tags over the pictures: marked, or of a reference folder.
    void ShowTags();
    void Swap();
    void ListKeyUp(QKeyEvent *event);
    void SelectionChanged();
    // The picture on `side` (1 left, 2 right) of `row`'s pair when the preview shows it there,
    // else -1: the file buttons and the pictures act on nothing the person does not see.
    int32_t PreviewedPicture(int row, int side) const;

signals:
    // A left click on the picture of `side` (1 or 2) while it is enabled.
    void PictureClicked(int side);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RefreshIfBehind();
    void ListPressed();
    void ListClicked();

    TPreviewWidgets m_widgets;
    TPairListModel *m_model;
    const TPictureMarks &m_marks;
    // The picture each side shows for the selected pair, -1 where it shows none of it: before
    // the first refresh, during a search, after a refresh that failed on that side.
    int32_t m_previewedPictures[2] = { -1, -1 };
    bool m_refreshPending = false;
    // Tell a click or arrow key on the row already selected, which refreshes the preview anew,
    // from one that moved the selection, whose refresh is already under way.
    unsigned m_selectionChanges = 0;
    unsigned m_selectionChangesAtPress = 0;
};
