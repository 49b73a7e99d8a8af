#pragma once

#include "engine/cleanup/markedbatch.h"
#include "engine/cleanup/markingrules.h"
#include "engine/cleanup/picturemarks.h"

#include <QObject>

class QAction;
class QKeyEvent;
class QTableView;
class QWidget;
class TFileOperations;
class TFolderDialog;
class TPairListModel;
class TPictureActions;
class TPreviewPart;

// The marks of the bulk clean-up: by hand (the list's check boxes, keys 1 and 2), by rule, cleared,
// and acted on all at once.
class TMarksPart : public QObject
{
    Q_OBJECT

public:
    // `files` is the window's, which a test may point elsewhere after the window is made.
    TMarksPart(QWidget *window, QTableView *list, TPictureMarks &marks, TPairListModel &model, TPreviewPart &preview,
        TPictureActions &actions, TFolderDialog &folderDialog, TFileOperations *const &files);

    // Starts the marks over for new results.
    void Reset();
    // Marks or unmarks the picture on `side` (1 or 2) of `row`; a mark that would cover a whole
    // group is refused with a message.
    void SetMark(int row, int side, bool marked);
    void MarkByRule(TKeepRule keep);
    void ClearAll();
    void DeleteMarked();
    void MoveMarked();
    // The menu entry that forgets every "not duplicates" decision says how many there are.
    void UpdateForgetDismissedCaption(QAction *forget);
    void ForgetAllDismissed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool ToggleByKey(QKeyEvent *event);
    void RunBatch(TBatchAction action, const QByteArray &targetFolder, const std::vector<TBatchItem> &items);

    QWidget *m_window;
    TPictureMarks &m_marks;
    TPairListModel &m_model;
    TPreviewPart &m_preview;
    TPictureActions &m_actions;
    TFolderDialog &m_folderDialog;
    TFileOperations *const &m_files;
    // The minimum similarity the person chose last for a rule.
    int m_lastMinSimilarity = int(kDefaultMinSimilarity);
};
