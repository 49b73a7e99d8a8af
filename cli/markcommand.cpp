#include "cli/markcommand.h"

#include "cli/exitstatus.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/runsetup.h"
#include "cli/standarderror.h"
#include "engine/cleanup/actionjournal.h"
#include "engine/cleanup/markedbatch.h"
#include "engine/results/resultwriter.h"

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

QString reasonText(const TLeftAloneFile &file)
{
    switch (file.Reason) {
    case TLeftAloneReason::ChangedSinceSearch:
        return QStringLiteral("changed since the search");
    case TLeftAloneReason::NoKeeper:
        return QStringLiteral("no picture of its group is kept");
    case TLeftAloneReason::KeeperGone:
        return QStringLiteral("the kept picture is gone");
    case TLeftAloneReason::KeeperChanged:
        return QStringLiteral("the kept picture changed since the search");
    case TLeftAloneReason::KeeperSameFile:
        return QStringLiteral("the kept picture is the same file");
    case TLeftAloneReason::NameTaken:
        return QStringLiteral("the name is taken in the target folder");
    case TLeftAloneReason::ActionFailed:
        break;
    }
    return QStringLiteral("failed: ") + SystemErrorText(file.Error);
}

// What happened to each file: where it went, or why it stayed.
QByteArray report(const TCatalogue &catalogue, const TBatchOutcome &outcome, bool trashed, OutputFormat format)
{
    std::vector<TReportedFile> files;
    for (const TActedFile &file : outcome.Acted)
        files.push_back({ trashed ? "trashed" : "moved", file.From, file.To, {} });
    for (const int32_t picture : outcome.AlreadyGone)
        files.push_back({ "already gone", FullPath(catalogue, picture), {}, {} });
    for (const TLeftAloneFile &file : outcome.LeftAlone)
        files.push_back({ "left alone", FullPath(catalogue, file.Picture), {}, reasonText(file) });
    switch (format) {
    case OutputFormat::Tsv:
        return BuildReportTsv(files);
    case OutputFormat::Json:
        return BuildReportJson(files);
    case OutputFormat::Csv:
        break;
    }
    return BuildReportCsv(files);
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
    TActionJournal journal;
    const TRecordedBatch batch = RunAndRecordMarkedBatch(
        catalogue, marks, PlanMarkedBatch(catalogue, marks), action, options.MoveMarked, SystemFileOperations(),
        [](int32_t, int32_t) { return true; }, journal);
    const TBatchOutcome &outcome = batch.Outcome;
    if (!batch.Undo.Error.isEmpty())
        ReportError(QStringLiteral("cannot record the action for undo: %1").arg(batch.Undo.Error));
    if (!WriteOutput(
            options.OutputFile, report(catalogue, outcome, action == TBatchAction::Trash, options.Format), &error)) {
        ReportError(error);
        return kExitFailed;
    }
    return outcome.LeftAlone.empty() ? kExitDone : kExitFailed;
}
