#include "cli/decisioncommand.h"

#include "cli/exitstatus.h"
#include "cli/options.h"
#include "cli/standarderror.h"
#include "engine/cleanup/decisionstore.h"

int RunDismiss(const Options &options)
{
    QString error;
    const std::optional<TContentHash> first = HashOfFile(options.Dismiss[0], &error);
    const std::optional<TContentHash> second = first ? HashOfFile(options.Dismiss[1], &error) : std::nullopt;
    if (!first || !second) {
        ReportError(QStringLiteral("--dismiss %1").arg(error));
        return kExitFailed;
    }
    TDecisionStore decisions;
    if (!decisions.Record(*first, *second, &error)) {
        ReportError(error);
        return kExitFailed;
    }
    return kExitDone;
}

int RunForgetDismissed()
{
    TDecisionStore decisions;
    QString error;
    if (!decisions.ForgetAll(&error)) {
        ReportError(error);
        return kExitFailed;
    }
    return kExitDone;
}

std::shared_ptr<const TDismissedPairs> DecisionsForSearch(const Options &options)
{
    if (options.NoDecisions)
        return nullptr;
    QString error;
    std::shared_ptr<const TDismissedPairs> dismissed = TDecisionStore().ForSearch(&error);
    if (!error.isEmpty())
        ReportError(error + QStringLiteral(": searched without the decisions"));
    return dismissed;
}
