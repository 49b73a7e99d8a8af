#include "ui/pictureactions.h"

#include "engine/cleanup/pairdismissal.h"
#include "engine/results/textformat.h"
#include "ui/folderdialog.h"
#include "ui/mainunit.h"
#include "ui/messageboxes.h"
#include "ui/previewpart.h"
#include "ui/showinfolder.h"

#include <QDesktopServices>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <cerrno>

namespace
{

enum { kBeforeDeletePauseMs = 200 };

int32_t PictureOfSide(const TPicturePair &pair, int side) { return side == 1 ? pair.PicIndex1 : pair.PicIndex2; }

QString ChangedSinceSearchText(int32_t picture)
{
    return TMainForm::tr("文件在搜索后已更改，未执行任何操作：") + kBoxLineBreak + ShownFileName(picture);
}

QString RestoreFailureText(const TUndoOutcome::TNotRestored &file)
{
    switch (file.Reason) {
    case TRestoreFailure::PathTaken:
        return TMainForm::tr("原位置已有文件");
    case TRestoreFailure::GoneFromTrash:
        return TMainForm::tr("文件已不在原处");
    case TRestoreFailure::Failed:
        break;
    }
    return TMainForm::tr("错误代码 = %1").arg(file.Error);
}

} // namespace

TPictureActions::TPictureActions(QWidget *window, const TPreviewPart &preview, TPictureMarks &marks,
    TFolderDialog &folderDialog, TFileOperations *const &files, const QByteArray &journalPath,
    std::function<void(int row)> showResults)
    : QObject(window)
    , m_window(window)
    , m_preview(preview)
    , m_marks(marks)
    , m_folderDialog(folderDialog)
    , m_files(files)
    , m_journalPath(journalPath)
    , m_showResults(std::move(showResults))
{
}

void TPictureActions::Open(int side)
{
    const int32_t picture = m_preview.PreviewedPicture(m_preview.SelectedRow(), side);
    if (picture < 0)
        return;
    const QByteArray path = FullPath(MainUnit.Catalogue, picture);
    if (PictureExists(path))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path)));
}

void TPictureActions::Browse(int side)
{
    const int32_t picture = m_preview.PreviewedPicture(m_preview.SelectedRow(), side);
    if (picture >= 0)
        ShowInFileManager(FullPath(MainUnit.Catalogue, picture));
}

bool TPictureActions::PictureExists(const QByteArray &path) const
{
    TFileStamp stamp;
    return m_files->Stat(path, stamp) == 0 && !stamp.IsFolder;
}

// Asked again right before a delete or move acts, so that a file edited or replaced after the
// search is never removed on the strength of an old comparison.
bool TPictureActions::PictureChangedSinceSearch(int32_t picture, const QByteArray &path)
{
    const TPicInfo &info = MainUnit.Catalogue.Pictures[picture];
    TFileStamp current;
    // A file gone meanwhile is left to the action itself, which reports its error code.
    if (m_files->Stat(path, current) != 0 || FileIsUnchanged(current, RecordedStamp(info)))
        return false;
    ErrorBox(m_window, ChangedSinceSearchText(picture));
    return true;
}

void TPictureActions::ActOnResults(int row, const std::function<void()> &action)
{
    try {
        action();
    } catch (...) {
        m_showResults(row);
        throw;
    }
    m_showResults(row);
}

std::optional<TPictureActions::TShownPicture> TPictureActions::ShownPicture(int side, const QString &notFound)
{
    TShownPicture shown;
    shown.Row = m_preview.SelectedRow();
    shown.Picture = m_preview.PreviewedPicture(shown.Row, side);
    // A reference folder's picture is never moved or deleted; its buttons are disabled too.
    if (shown.Picture < 0 || IsReferencePicture(MainUnit.Catalogue, shown.Picture))
        return std::nullopt;
    shown.Path = FullPath(MainUnit.Catalogue, shown.Picture);
    shown.Name = ShownFileName(shown.Picture);
    if (!PictureExists(shown.Path)) {
        ErrorBox(m_window, notFound + kBoxLineBreak + shown.Name);
        return std::nullopt;
    }
    return shown;
}

void TPictureActions::Delete(int side)
{
    // The two sides have always differed in this colon.
    const auto shown = ShownPicture(side, side == 1 ? TMainForm::tr("找不到此文件:") : TMainForm::tr("找不到此文件："));
    if (!shown)
        return;
    const auto &[row, picture, path, name] = *shown;
    QThread::msleep(kBeforeDeletePauseMs);
    if (!MainUnit.Settings.DeleteWithoutAsking
        && !AskYesNo(m_window, QMessageBox::Question, TMainForm::tr("您真的要删除吗") + kBoxLineBreak + name))
        return;
    if (PictureChangedSinceSearch(picture, path))
        return;
    ActOnResults(row, [&] {
        const TBatchAction action = MainUnit.Settings.MoveToRecycle ? TBatchAction::Trash : TBatchAction::Delete;
        TActedFile acted;
        const int error = ActOnPicture(MainUnit.Catalogue, picture,
            PictureOfSide(MainUnit.Catalogue.Pairs[row], 3 - side), action, {}, *m_files, acted);
        if (error == 0)
            TakeOutOfResults({ acted }, action);
        else if (error == ESTALE)
            ErrorBox(m_window, ChangedSinceSearchText(picture));
        else
            // A file the trash refuses stays where it is; the box says which of the two failed.
            ErrorBox(m_window,
                (action == TBatchAction::Trash ? TMainForm::tr("无法将文件移到回收站%1")
                                               : TMainForm::tr("无法删除文件%1"))
                        .arg(name)
                    + kBoxLineBreak + TMainForm::tr("错误代码 = %1").arg(error));
    });
}

void TPictureActions::Move(int side)
{
    const auto shown = ShownPicture(side, QStringLiteral("Cannot find this file:"));
    if (!shown)
        return;
    const auto &[row, picture, path, name] = *shown;
    const std::optional<QByteArray> target
        = m_folderDialog.PickFolder(QStringLiteral("Move ") + name + QStringLiteral(" to selected folder"));
    if (!target || PictureChangedSinceSearch(picture, path))
        return;
    ActOnResults(row, [&] {
        TActedFile acted;
        const int error = ActOnPicture(MainUnit.Catalogue, picture,
            PictureOfSide(MainUnit.Catalogue.Pairs[row], 3 - side), TBatchAction::Move, *target, *m_files, acted);
        if (error == 0) {
            TakeOutOfResults({ acted }, TBatchAction::Move);
            InformationBox(m_window, name + QStringLiteral(" moved successfully"));
        } else {
            ErrorBox(m_window,
                QStringLiteral("Cannot move file ") + name + kBoxLineBreak + QStringLiteral("Error code = ")
                    + QString::number(error));
        }
    });
}

void TPictureActions::TakeOutOfResults(const std::vector<TActedFile> &acted, TBatchAction action)
{
    std::vector<bool> removed(MainUnit.Catalogue.Pictures.size(), false);
    for (const TActedFile &file : acted)
        removed[size_t(file.Picture)] = true;
    const TPicturePairs removedPairs = RemovePictures(MainUnit.Catalogue, removed);
    for (const TActedFile &file : acted)
        m_marks.Unmark(file.Picture);
    m_marks.Refresh(MainUnit.Catalogue);
    TActionJournal journal = Journal();
    KeepForUndo(RecordForUndo(MainUnit.Catalogue, action, acted, journal), acted, removedPairs);
}

void TPictureActions::KeepForUndo(
    const TUndoRecord &record, const std::vector<TActedFile> &acted, const TPicturePairs &removedPairs)
{
    if (!record.Error.isEmpty())
        ErrorBox(m_window, TMainForm::tr("无法记录此操作，将无法撤销：") + kBoxLineBreak + record.Error);
    if (!record.Id)
        return;
    m_undoSteps.emplace_back();
    TTakenOut &takenOut = m_takenOutByAction[*record.Id];
    takenOut.Pairs = removedPairs;
    for (const TActedFile &file : acted)
        takenOut.Pictures.emplace_back(file.From, file.Picture);
}

void TPictureActions::ForgetTakenOut()
{
    m_takenOutByAction.clear();
    // The decisions stay undoable; their pairs belong to the results just replaced.
    for (std::optional<TDismissal> &step : m_undoSteps)
        if (step)
            step->InTheseResults = false;
}

void TPictureActions::Dismiss()
{
    const int row = m_preview.SelectedRow();
    const int32_t pictures[2] = { m_preview.PreviewedPicture(row, 1), m_preview.PreviewedPicture(row, 2) };
    if (pictures[0] < 0 || pictures[1] < 0)
        return;
    // The decision is about the contents that were compared, not what a file holds now.
    for (const int32_t picture : pictures)
        if (PictureChangedSinceSearch(picture, FullPath(MainUnit.Catalogue, picture)))
            return;
    TDecisionStore decisions;
    QString error;
    std::optional<TPairDismissal> dismissal;
    ActOnResults(row, [&] {
        dismissal = DismissListedPair(MainUnit.Catalogue, row, decisions, &error);
        if (!dismissal)
            return;
        m_marks.Refresh(MainUnit.Catalogue);
        m_undoSteps.push_back(TDismissal { *dismissal, true });
    });
    if (!dismissal)
        ErrorBox(m_window, TMainForm::tr("无法记录此决定：") + kBoxLineBreak + error);
}

void TPictureActions::UndoDismissal(const TDismissal &dismissal)
{
    TDecisionStore decisions;
    QString error;
    bool undone = false;
    if (dismissal.InTheseResults) {
        ActOnResults(std::max(m_preview.SelectedRow(), 0), [&] {
            undone = UndoPairDismissal(MainUnit.Catalogue, dismissal.Dismissal, decisions, &error);
            m_marks.Refresh(MainUnit.Catalogue);
        });
    } else {
        undone = decisions.Forget(dismissal.Dismissal.First, dismissal.Dismissal.Second, &error);
    }
    if (!undone) {
        ErrorBox(m_window, TMainForm::tr("无法撤销此决定：") + kBoxLineBreak + error);
        return;
    }
    m_undoSteps.pop_back();
    InformationBox(m_window, TMainForm::tr("已撤销“不是重复项”决定。"));
}

void TPictureActions::Undo()
{
    if (!m_undoSteps.empty() && m_undoSteps.back()) {
        const TDismissal last = *m_undoSteps.back();
        UndoDismissal(last);
        return;
    }
    UndoJournalAction();
}

void TPictureActions::UndoJournalAction()
{
    TActionJournal journal(m_journalPath);
    const std::optional<TJournalEntry> entry = journal.LastUndoable();
    if (!entry) {
        InformationBox(m_window, TMainForm::tr("没有可以撤销的操作。"));
        return;
    }
    if (!m_undoSteps.empty())
        m_undoSteps.pop_back();
    const TUndoOutcome outcome = UndoAction(*entry, *m_files);
    QString reason;
    if (!journal.MarkUndone(entry->Id, &reason))
        ErrorBox(m_window, TMainForm::tr("无法记录撤销：") + kBoxLineBreak + reason);

    const auto takenOut = m_takenOutByAction.find(entry->Id);
    if (takenOut != m_takenOutByAction.end()) {
        std::vector<int32_t> restored;
        for (const TJournalFile &file : outcome.Restored)
            for (const auto &[path, picture] : takenOut->second.Pictures)
                if (path == file.From)
                    restored.push_back(picture);
        ActOnResults(std::max(m_preview.SelectedRow(), 0), [&] {
            RestorePictures(MainUnit.Catalogue, restored, takenOut->second.Pairs);
            m_marks.Refresh(MainUnit.Catalogue);
        });
        m_takenOutByAction.erase(takenOut);
    }

    QString text = TMainForm::tr("已恢复 %1 个文件。").arg(FormatCount(int32_t(outcome.Restored.size())));
    if (outcome.NotRestored.empty()) {
        InformationBox(m_window, text);
        return;
    }
    text = TMainForm::tr("%1%2 个文件未恢复：").arg(text, FormatCount(int32_t(outcome.NotRestored.size())));
    QStringList lines;
    for (const TUndoOutcome::TNotRestored &file : outcome.NotRestored)
        lines << TMainForm::tr("%1：%2").arg(QFile::decodeName(file.File.From), RestoreFailureText(file));
    AppendListedLines(text, lines);
    ErrorBox(m_window, text);
}
