#include "searchcommand.h"

#include "cliobserver.h"
#include "collection.h"
#include "exitstatus.h"
#include "markcommand.h"
#include "options.h"
#include "output.h"
#include "resultwriter.h"
#include "runsetup.h"
#include "search.h"
#include "standarderror.h"

namespace
{

QByteArray formatPairs(const TCatalogue &catalogue, OutputFormat format)
{
    switch (format) {
    case OutputFormat::Tsv:
        return BuildTsv(catalogue);
    case OutputFormat::Json:
        return BuildJson(catalogue);
    case OutputFormat::Csv:
        break;
    }
    return BuildCsv(catalogue);
}

}

int RunSearch(const Options &options, TProcessingOptions processing)
{
    int exitStatus = kExitDone;
    const std::optional<TSettings> settings = SettingsForWalk(options, exitStatus);
    if (!settings)
        return exitStatus;

    TCatalogue catalogue;
    catalogue.RecycleFolderName = ChooseRecycleFolderName();
    catalogue.SearchStopped = false;
    bool interrupted = false;
    {
        CliObserver observer(catalogue, options.Folders, settings->ScanSubfolders, options.Quiet);
        CollectSearchPictures(catalogue, *settings, observer);
        if (RefuseOutputOntoPicture(catalogue, options))
            return kExitUsage;
        processing.Threads = options.Threads.value_or(0);
        ProcessSearchPictures(catalogue, *settings, observer, processing);
        interrupted = observer.Interrupted();
    }
    // Marks are only made on complete results.
    if (options.Keep)
        return interrupted ? kExitInterrupted : RunMarking(catalogue, *settings, options);
    QString error;
    if (!WriteOutput(options.OutputFile, formatPairs(catalogue, options.Format), &error)) {
        ReportError(error);
        return kExitFailed;
    }
    return interrupted ? kExitInterrupted : kExitDone;
}
