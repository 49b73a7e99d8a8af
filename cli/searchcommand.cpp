#include "searchcommand.h"

#include "cliobserver.h"
#include "collection.h"
#include "exitstatus.h"
#include "folderlisting.h"
#include "options.h"
#include "output.h"
#include "resultwriter.h"
#include "search.h"

#include <algorithm>
#include <cstdio>

namespace
{

void reportError(const QString &message)
{
    std::fprintf(stderr, "quorvane-cli: %s\n", message.toLocal8Bit().constData());
}

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

int RunSearch(const Options &options)
{
    QString error;
    const auto settings = EffectiveSettings(options, &error);
    if (!settings) {
        reportError(error);
        return kExitUsage;
    }
    if (!settings->AnyPictureTypeSelected()) {
        reportError(QStringLiteral("no picture type selected"));
        return kExitUsage;
    }
    if (std::none_of(options.Folders.begin(), options.Folders.end(),
            [](const QByteArray &folder) { return IdentifyFolder(folder).has_value(); })) {
        reportError(QStringLiteral("none of the listed folders exists"));
        return kExitNoFolder;
    }

    TCatalogue catalogue;
    catalogue.RecycleFolderName = ChooseRecycleFolderName();
    catalogue.SearchStopped = false;
    bool interrupted = false;
    {
        CliObserver observer(catalogue, options.Folders, settings->ScanSubfolders, options.Quiet);
        TProcessingOptions processing;
        processing.Threads = options.Threads.value_or(0);
        RunSearchSteps(catalogue, *settings, observer, processing);
        interrupted = observer.Interrupted();
    }
    if (!WriteOutput(options.OutputFile, formatPairs(catalogue, options.Format), &error)) {
        reportError(error);
        return kExitFailed;
    }
    return interrupted ? kExitInterrupted : kExitDone;
}
