#include "cli/markcommand.h"

#include "cli/exitstatus.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/runsetup.h"
#include "cli/standarderror.h"
#include "engine/actionjournal.h"
#include "engine/markedbatch.h"
#include "engine/resultwriter.h"

#include <QFile>

namespace
{

QByteArray formatMarks(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks, OutputFormat format)
{
    switch (format) {
    case OutputFormat::Tsv:
        return BuildMarkedTsv(catalogue, marks);
    case OutputFormat::Json:
        return BuildMarkedJson(catalogue, marks);
    case OutputFormat::Csv:
        break;
    }
    return BuildMarkedCsv(catalogue, marks);
}

QByteArray reasonText(const TLeftAloneFile &file)
{
    switch (file.Reason) {
    case TLeftAloneReason::ChangedSinceSearch:
        return "changed since the search";
    case TLeftAloneReason::NoKeeper:
        return "no picture of its group is kept";
    case TLeftAloneReason::KeeperGone:
        return "the kept picture is gone";
    case TLeftAloneReason::KeeperChanged:
        return "the kept picture changed since the search";
    case TLeftAloneReason::KeeperSameFile:
        return "the kept picture is the same file";
    case TLeftAloneReason::NameTaken:
        return "the name is taken in the target folder";
    case TLeftAloneReason::ActionFailed:
        break;
    }
    return "failed, error code " + QByteArray::number(file.Error);
}

// One line per file: what happened, the file, and where it went or why it stayed.
QByteArray report(const TCatalogue &catalogue, const TBatchOutcome &outcome, bool trashed)
{
    QByteArray lines;
    for (const TActedFile &file : outcome.Acted)
        lines += QByteArray(trashed ? "trashed\t" : "moved\t") + file.From + '\t' + file.To + '\n';
    for (const int32_t picture : outcome.AlreadyGone)
        lines += "already gone\t" + FullPath(catalogue, picture) + '\n';
    for (const TLeftAloneFile &file : outcome.LeftAlone)
        lines += "left alone\t" + FullPath(catalogue, file.Picture) + '\t' + reasonText(file) + '\n';
    return lines;
}

} // namespace

int RunMarking(TCatalogue &catalogue, const TSettings &settings, const Options &options)
{
    TMarkingRule rule = *options.Keep;
    rule.MinSimilarity = options.MinSimilarity.value_or(kDefaultMinSimilarity);
    rule.OnlyIdentical = settings.SearchOnlyIdentical;
    rule.TurnedCopies = settings.SearchesTurnedCopies();
    TPictureMarks marks;
    marks.Reset(catalogue);
    const TRuleOutcome marked = ApplyMarkingRule(catalogue, marks, rule);
    QString error;
    if (!options.TrashMarked && options.MoveMarked.isEmpty()) {
        if (!WriteOutput(options.OutputFile, formatMarks(catalogue, marked.Marks, options.Format), &error)) {
            ReportError(error);
            return kExitFailed;
        }
        return kExitDone;
    }
    const TBatchAction action = options.TrashMarked ? TBatchAction::Trash : TBatchAction::Move;
    const TBatchOutcome outcome = RunMarkedBatch(catalogue, marks, PlanMarkedBatch(catalogue, marks), action,
        options.MoveMarked, SystemFileOperations(), [](int32_t, int32_t) { return true; });
    const std::vector<TJournalFile> journalled = JournalFiles(catalogue, outcome.Acted);
    if (!journalled.empty()
        && !TActionJournal().Record(
            action == TBatchAction::Trash ? TJournalKind::Trash : TJournalKind::Move, journalled, &error))
        ReportError(QStringLiteral("cannot record the action for undo: %1").arg(error));
    if (!WriteOutput(options.OutputFile, report(catalogue, outcome, action == TBatchAction::Trash), &error)) {
        ReportError(error);
        return kExitFailed;
    }
    return outcome.LeftAlone.empty() ? kExitDone : kExitFailed;
}
