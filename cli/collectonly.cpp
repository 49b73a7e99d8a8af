#include "collectonly.h"

#include "cliobserver.h"
#include "collection.h"
#include "folderlisting.h"
#include "options.h"
#include "output.h"

#include <algorithm>
#include <cstdio>

namespace
{

void reportError(const QString &message)
{
    std::fprintf(stderr, "quorvane-cli: %s\n", message.toLocal8Bit().constData());
}

}

int RunCollectOnly(const Options &options)
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
    ResetCatalogue(catalogue);
    catalogue.RecycleFolderName = ChooseRecycleFolderName();
    catalogue.SearchStopped = false;
    QByteArray listing;
    bool interrupted = false;
    {
        CliObserver observer(catalogue, options.Folders, settings->ScanSubfolders, options.Quiet);
        CollectListedFolders(catalogue, *settings, observer);
        interrupted = observer.Interrupted();
    }
    TrimAfterCollection(catalogue);
    for (int32_t k = 0; k <= catalogue.PicturesLast; ++k)
        listing += FullPath(catalogue, k) + '\n';
    if (!WriteOutput(options.OutputFile, listing, &error)) {
        reportError(error);
        return kExitFailed;
    }
    return interrupted ? kExitInterrupted : kExitDone;
}
