#pragma once

#include "engine/cleanup/actionjournal.h"
#include "engine/cleanup/markedbatch.h"
#include "engine/cleanup/pairdismissal.h"
#include "engine/cleanup/picturemarks.h"

#include <QObject>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QWidget;
class TFileOperations;
class TFolderDialog;
class TPreviewPart;

// What the person does to the pictures of the preview, one at a time: delete, move, open, show in
// the file manager, say the pair is not duplicates; taking what was acted on out of the results,
// recording it for undo, undo.
class TPictureActions : public QObject
{
    Q_OBJECT

public:
    // `files` and `journalPath` are the window's, which a test may point elsewhere after the
    // window is made. `showResults` shows the list and the preview as they are after an action,
    // keeping `row` selected where it is left.
    TPictureActions(QWidget *window, const TPreviewPart &preview, TPictureMarks &marks, TFolderDialog &folderDialog,
        TFileOperations *const &files, const QByteArray &journalPath, std::function<void(int row)> showResults);

    // `side` is 1 for the left picture, 2 for the right one.
    void Delete(int side);
    void Move(int side);
    void Open(int side);
    void Browse(int side);
    // Takes the shown pair out of the results and records, by the two files' contents, that they
    // are not duplicates, so that no later search pairs them.
    void Dismiss();
    // Takes back the last action of this run, a dismissal or what the journal holds.
    void Undo();

    // Runs an action on the results, then shows them as they are now, also when it throws. Not
    // left to a destructor: showing the preview can itself raise an error.
    void ActOnResults(int row, const std::function<void()> &action);
    TActionJournal Journal() const { return TActionJournal(m_journalPath); }
    // Keeps what an action took out of the results under its journal record, so that its undo can
    // bring it back while these results are shown; a record that failed is reported.
    void KeepForUndo(
        const TUndoRecord &record, const std::vector<TActedFile> &acted, const TPicturePairs &removedPairs);
    // New results: what was taken out of the old ones has no place to come back to.
    void ForgetTakenOut();
    size_t TakenOutCount() const { return m_takenOutByAction.size(); }

private:
    // What an action took out of the results, so that its undo can bring it back while the same
    // results are shown.
    struct TTakenOut {
        std::vector<std::pair<QByteArray, int32_t>> Pictures;
        TPicturePairs Pairs;
    };
    // A decision this run recorded; while the same results are shown, its undo brings the pair back.
    struct TDismissal {
        TPairDismissal Dismissal;
        bool InTheseResults = true;
    };
    struct TShownPicture {
        int Row = -1;
        int32_t Picture = -1;
        QByteArray Path;
        QString Name;
    };
    // The picture on `side` of the selected pair; nothing when no pair is shown, or when its file
    // is gone, which a box says with `notFound` and the name.
    std::optional<TShownPicture> ShownPicture(int side, const QString &notFound);
    bool PictureExists(const QByteArray &path) const;
    bool PictureChangedSinceSearch(int32_t picture, const QByteArray &path);
    void TakeOutOfResults(const std::vector<TActedFile> &acted, TBatchAction action);
    void UndoDismissal(const TDismissal &dismissal);
    void UndoJournalAction();

    QWidget *m_window;
    const TPreviewPart &m_preview;
    TPictureMarks &m_marks;
    TFolderDialog &m_folderDialog;
    TFileOperations *const &m_files;
    const QByteArray &m_journalPath;
    std::function<void(int row)> m_showResults;
    // By the journal's action id.
    std::map<int64_t, TTakenOut> m_takenOutByAction;
    // The undoable steps of this run in order: a dismissal, or nothing for an action of the journal,
    // whose own order covers earlier runs too.
    std::vector<std::optional<TDismissal>> m_undoSteps;
};
