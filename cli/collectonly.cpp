#include "cli/collectonly.h"

#include "cli/cliobserver.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/runsetup.h"
#include "cli/standarderror.h"
#include "engine/collect/trashfolders.h"
#include "engine/search.h"

int RunCollectOnly(const Options &options)
{
    int exitStatus = kExitDone;
    const std::optional<TSettings> settings = SettingsForWalk(options, exitStatus);
    if (!settings)
        return exitStatus;

    TCatalogue catalogue;
    catalogue.RecycleFolderName = ChooseRecycleFolderName();
    catalogue.SearchStopped = false;
    QByteArray listing;
    bool interrupted = false;
    {
        CliObserver observer(catalogue, options.Folders, settings->ScanSubfolders, options.Quiet);
        CollectSearchPictures(catalogue, *settings, observer);
        interrupted = observer.Interrupted();
    }
    if (RefuseFileOptionsOntoPictures(catalogue, options))
        return kExitUsage;
    for (int32_t k = 0; k <= catalogue.PicturesLast; ++k) {
        AppendFullPath(catalogue, k, listing);
        listing += '\n';
    }
    QString error;
    if (!WriteOutput(options.OutputFile, listing, &error)) {
        ReportError(error);
        return kExitFailed;
    }
    return interrupted ? kExitInterrupted : kExitDone;
}
