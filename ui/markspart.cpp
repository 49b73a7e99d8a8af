#include "ui/markspart.h"

#include "engine/cleanup/decisionstore.h"
#include "engine/results/textformat.h"
#include "ui/folderdialog.h"
#include "ui/mainunit.h"
#include "ui/messageboxes.h"
#include "ui/pairlistmodel.h"
#include "ui/pictureactions.h"
#include "ui/previewpart.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QTableView>

#include <map>

namespace
{

enum { kProgressDelayMs = 500 };

QString LeftAloneText(const TLeftAloneFile &file)
{
    switch (file.Reason) {
    case TLeftAloneReason::ChangedSinceSearch:
        return TMainForm::tr("文件在搜索后已更改");
    case TLeftAloneReason::NoKeeper:
        return TMainForm::tr("组中没有保留的图片");
    case TLeftAloneReason::KeeperGone:
        return TMainForm::tr("保留的图片已不存在");
    case TLeftAloneReason::KeeperChanged:
        return TMainForm::tr("保留的图片在搜索后已更改");
    case TLeftAloneReason::KeeperSameFile:
        return TMainForm::tr("保留的图片是同一个文件");
    case TLeftAloneReason::NameTaken:
        return TMainForm::tr("目标文件夹中已有同名文件");
    case TLeftAloneReason::ActionFailed:
        break;
    }
    return TMainForm::tr("错误代码 = %1").arg(file.Error);
}

QString RuleSummary(const TRuleOutcome &outcome, int minSimilarity)
{
    QString text = TMainForm::tr("已标记 %1 张图片，涉及 %2 个组。")
                       .arg(FormatCount(int32_t(outcome.Marks.size())), FormatCount(outcome.GroupsMarked));
    const int32_t leftAlone = outcome.GroupsWithoutReference + outcome.GroupsTooUnlike;
    if (leftAlone > 0) {
        QStringList reasons;
        if (outcome.GroupsWithoutReference > 0)
            reasons
                << TMainForm::tr("%1 个组中没有参考文件夹里的图片").arg(FormatCount(outcome.GroupsWithoutReference));
        if (outcome.GroupsTooUnlike > 0)
            reasons << TMainForm::tr("%1 个组中没有可以标记的图片").arg(FormatCount(outcome.GroupsTooUnlike));
        text = TMainForm::tr("%1%2 个组未标记：%3。")
                   .arg(text, FormatCount(leftAlone), reasons.join(TMainForm::tr("，")));
    }
    if (outcome.PicturesTooUnlike > 0)
        text = TMainForm::tr("%1%2 张图片与保留的图片相似度低于 %3%，未标记。")
                   .arg(text, FormatCount(outcome.PicturesTooUnlike), QString::number(minSimilarity));
    return text;
}

} // namespace

TMarksPart::TMarksPart(QWidget *window, QTableView *list, TPictureMarks &marks, TPairListModel &model,
    TPreviewPart &preview, TPictureActions &actions, TFolderDialog &folderDialog, TFileOperations *const &files)
    : QObject(window)
    , m_window(window)
    , m_marks(marks)
    , m_model(model)
    , m_preview(preview)
    , m_actions(actions)
    , m_folderDialog(folderDialog)
    , m_files(files)
{
    list->installEventFilter(this);
    connect(&m_model, &TPairListModel::MarkRequested, this, &TMarksPart::SetMark);
}

bool TMarksPart::eventFilter(QObject *, QEvent *event)
{
    return event->type() == QEvent::KeyPress && ToggleByKey(static_cast<QKeyEvent *>(event));
}

void TMarksPart::Reset()
{
    m_marks.Reset(MainUnit.Catalogue);
    m_actions.ForgetTakenOut();
    m_preview.ShowTags();
}

void TMarksPart::SetMark(int row, int side, bool marked)
{
    if (row < 0 || row > MainUnit.Catalogue.PairsLast)
        return;
    const TPicturePair &pair = MainUnit.Catalogue.Pairs[size_t(row)];
    const int32_t picture = side == 1 ? pair.PicIndex1 : pair.PicIndex2;
    if (!marked)
        m_marks.Unmark(picture);
    else if (const TPictureMarks::TMarkResult result = m_marks.Mark(picture);
             result == TPictureMarks::TMarkResult::WholeGroup)
        ErrorBox(m_window,
            TMainForm::tr("无法标记此文件，组中至少要保留一张未标记的图片：") + kBoxLineBreak + ShownFileName(picture));
    else if (result == TPictureMarks::TMarkResult::Reference)
        ErrorBox(
            m_window, TMainForm::tr("无法标记此文件，它在参考文件夹中：") + kBoxLineBreak + ShownFileName(picture));
    m_model.MarksChanged();
    m_preview.ShowTags();
}

bool TMarksPart::ToggleByKey(QKeyEvent *event)
{
    if (event->key() != Qt::Key_1 && event->key() != Qt::Key_2)
        return false;
    const int row = m_preview.SelectedRow();
    if (row >= 0) {
        const int side = event->key() == Qt::Key_1 ? 1 : 2;
        const TPicturePair &pair = MainUnit.Catalogue.Pairs[size_t(row)];
        SetMark(row, side, !m_marks.IsMarked(side == 1 ? pair.PicIndex1 : pair.PicIndex2));
    }
    return true;
}

void TMarksPart::MarkByRule(TKeepRule keep)
{
    TMarkingRule rule;
    rule.Keep = keep;
    rule.OnlyIdentical = MainUnit.Settings.SearchOnlyIdentical;
    rule.TurnedCopies = MainUnit.Settings.SearchesTurnedCopies();
    if (keep == TKeepRule::InsideFolder) {
        const std::optional<QByteArray> folder
            = m_folderDialog.PickFolder(TMainForm::tr("选择参考文件夹：其中的图片将被保留"));
        if (!folder)
            return;
        rule.Folder = *folder;
    }
    bool accepted = false;
    const int minimum = QInputDialog::getInt(m_window, QStringLiteral("Quorvane"),
        TMainForm::tr("只标记与保留的图片相同或至少如此相似的图片（%）："), m_lastMinSimilarity,
        int(kLowestMinSimilarity), 100, 1, &accepted);
    if (!accepted)
        return;
    m_lastMinSimilarity = minimum;
    rule.MinSimilarity = minimum;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TRuleOutcome outcome = ApplyMarkingRule(MainUnit.Catalogue, m_marks, rule);
    QApplication::restoreOverrideCursor();
    m_model.MarksChanged();
    m_preview.ShowTags();
    QString summary = RuleSummary(outcome, minimum);
    if (const int hidden = m_model.rowCount() - m_model.ShownRowCount(); hidden > 0)
        summary += kBoxLineBreak + TMainForm::tr("规则作用于所有配对，包括未显示的 %1 个。").arg(FormatCount(hidden));
    InformationBox(m_window, summary);
}

void TMarksPart::UpdateForgetDismissedCaption(QAction *forget)
{
    QString error;
    const std::optional<int64_t> count = TDecisionStore().Count(&error);
    forget->setText(
        TMainForm::tr("忘记所有“不是重复项”决定（%1）").arg(count ? FormatCount(*count) : QStringLiteral("?")));
    forget->setEnabled(!count || *count > 0);
}

void TMarksPart::ForgetAllDismissed()
{
    TDecisionStore store;
    QString error;
    const std::optional<int64_t> count = store.Count(&error);
    if (count && *count == 0)
        return;
    if (count
        && !AskYesNo(m_window, QMessageBox::Question,
            TMainForm::tr("您真的要忘记所有 %1 个“不是重复项”决定吗？以后的搜索将再次列出这些配对。")
                .arg(FormatCount(*count))))
        return;
    const std::optional<int64_t> forgotten = count ? store.ForgetAll(&error) : std::nullopt;
    if (!forgotten) {
        ErrorBox(m_window, TMainForm::tr("无法忘记“不是重复项”决定：") + kBoxLineBreak + error);
        return;
    }
    InformationBox(m_window, TMainForm::tr("已忘记 %1 个“不是重复项”决定。").arg(FormatCount(*forgotten)));
}

void TMarksPart::ClearAll()
{
    m_marks.ClearAll();
    m_model.MarksChanged();
    m_preview.ShowTags();
}

void TMarksPart::DeleteMarked()
{
    const std::vector<TBatchItem> items = PlanMarkedBatch(MainUnit.Catalogue, m_marks);
    if (items.empty()) {
        ErrorBox(m_window, TMainForm::tr("没有标记的图片。"));
        return;
    }
    const QString what = TMainForm::tr("%1 个标记的文件（共 %2，%3 个组）")
                             .arg(FormatCount(int32_t(items.size())), SizeToText(TotalSize(MainUnit.Catalogue, items)),
                                 FormatCount(GroupsOf(m_marks, items)));
    const QString question = MainUnit.Settings.MoveToRecycle ? TMainForm::tr("您真的要将 %1移到回收站吗").arg(what)
                                                             : TMainForm::tr("您真的要永久删除 %1吗").arg(what);
    if (!MainUnit.Settings.DeleteWithoutAsking && !AskYesNo(m_window, QMessageBox::Question, question))
        return;
    RunBatch(MainUnit.Settings.MoveToRecycle ? TBatchAction::Trash : TBatchAction::Delete, {}, items);
}

void TMarksPart::MoveMarked()
{
    const std::vector<TBatchItem> items = PlanMarkedBatch(MainUnit.Catalogue, m_marks);
    if (items.empty()) {
        ErrorBox(m_window, TMainForm::tr("没有标记的图片。"));
        return;
    }
    const std::optional<QByteArray> folder = m_folderDialog.PickFolder(TMainForm::tr("将标记的文件移动到所选文件夹"));
    if (!folder)
        return;
    const QByteArray &target = *folder;
    const QString question
        = TMainForm::tr("您真的要将 %1 个标记的文件（共 %2，%3 个组）移动到%4吗")
              .arg(FormatCount(int32_t(items.size())), SizeToText(TotalSize(MainUnit.Catalogue, items)),
                  FormatCount(GroupsOf(m_marks, items)), kBoxLineBreak + QFile::decodeName(target) + kBoxLineBreak);
    if (!AskYesNo(m_window, QMessageBox::Question, question))
        return;
    RunBatch(TBatchAction::Move, target, items);
}

void TMarksPart::RunBatch(TBatchAction action, const QByteArray &targetFolder, const std::vector<TBatchItem> &items)
{
    const int row = std::max(m_preview.SelectedRow(), 0);
    QProgressDialog progress(
        TMainForm::tr("正在处理标记的文件..."), TMainForm::tr("取消"), 0, int(items.size()), m_window);
    progress.setWindowTitle(QStringLiteral("Quorvane"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    TActionJournal journal = m_actions.Journal();
    TBatchOutcome outcome;
    m_actions.ActOnResults(row, [&] {
        const TRecordedBatch batch = RunAndRecordMarkedBatch(
            MainUnit.Catalogue, m_marks, items, action, targetFolder, *m_files,
            [&](int32_t done, int32_t) {
                progress.setValue(done);
                return !progress.wasCanceled();
            },
            journal);
        outcome = batch.Outcome;
        progress.setValue(int(items.size()));
        m_actions.KeepForUndo(batch.Undo, outcome.Acted, outcome.RemovedPairs);
    });

    const QString acted = FormatCount(int32_t(outcome.Acted.size()));
    QString text = action == TBatchAction::Trash ? TMainForm::tr("已移到回收站 %1 个文件。").arg(acted)
        : action == TBatchAction::Move           ? TMainForm::tr("已移动 %1 个文件。").arg(acted)
                                                 : TMainForm::tr("已删除 %1 个文件。").arg(acted);
    if (!outcome.AlreadyGone.empty())
        text = TMainForm::tr("%1%2 个文件已不存在。").arg(text, FormatCount(int32_t(outcome.AlreadyGone.size())));
    if (outcome.NotReached > 0)
        text = TMainForm::tr("%1已取消，%2 个文件未处理。").arg(text, FormatCount(outcome.NotReached));
    if (!outcome.LeftAlone.empty()) {
        text = TMainForm::tr("%1%2 个文件未处理，仍保留标记：")
                   .arg(text, FormatCount(int32_t(outcome.LeftAlone.size())));
        QStringList lines;
        for (const TLeftAloneFile &file : outcome.LeftAlone)
            lines << TMainForm::tr("%1：%2").arg(ShownFileName(file.Picture), LeftAloneText(file));
        AppendListedLines(text, lines);
        ErrorBox(m_window, text);
    } else {
        InformationBox(m_window, text);
    }
}
