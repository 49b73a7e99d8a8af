#include "cli/searchcommand.h"

#include "cli/cliobserver.h"
#include "cli/decisioncommand.h"
#include "cli/exitstatus.h"
#include "cli/markcommand.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/runsetup.h"
#include "cli/standarderror.h"
#include "engine/collect/trashfolders.h"
#include "engine/results/resultwriter.h"
#include "engine/results/shownpairs.h"
#include "engine/search.h"
#include "engine/store/signaturestore.h"

#include <future>

namespace
{

// One line on why the store was not used, or on what happened to it; empty when all went well.
QString storeProblemMessage(const TSignatureStore &store)
{
    const QString file = QString::fromLocal8Bit(store.File());
    switch (store.Problem()) {
    case TStoreProblem::None:
        return QString();
    case TStoreProblem::Corrupt:
        return store.IsUsable()
            ? QStringLiteral("signature store %1 was corrupt: moved aside as %1.corrupt-*, a fresh one was started")
                  .arg(file)
            : QStringLiteral("signature store %1 is corrupt: searched without it, and moved it aside as "
                             "%1.corrupt-* for a fresh one next time")
                  .arg(file);
    case TStoreProblem::Locked:
        return QStringLiteral("signature store %1 is locked by another program: searched without it").arg(file);
    case TStoreProblem::ReadOnly:
        return QStringLiteral("signature store %1 cannot be written: searched without it").arg(file);
    case TStoreProblem::Full:
        return QStringLiteral("signature store %1: the disk is full, searched without it").arg(file);
    case TStoreProblem::Newer:
        return QStringLiteral("signature store %1 was written by a newer version: searched without it").arg(file);
    case TStoreProblem::Other:
        break;
    }
    return QStringLiteral("signature store %1 failed: searched without it").arg(file);
}

// Whether the default store's file may be opened as a store; when not, that is reported and the
// search runs without it. The file is left as it is: it is not one of this program's stores.
bool defaultStoreMayOpen()
{
    const QByteArray file = TSignatureStore::DefaultFile();
    const QString refusal = TSignatureStore::Refusal(file);
    if (!refusal.isEmpty())
        ReportError(QStringLiteral("signature store %1 is not a signature store (%2): searched without it")
                        .arg(QString::fromLocal8Bit(file), refusal));
    return refusal.isEmpty();
}

QByteArray formatPairs(const TCatalogue &catalogue, const Options &options, const TSettings &settings)
{
    const std::vector<int32_t> shown = ShownPairs(catalogue, options.MinListed);
    switch (options.Format) {
    case OutputFormat::Tsv:
        return BuildTsv(catalogue, shown);
    case OutputFormat::Json:
        return BuildJson(catalogue, shown, settings.SearchesTurnedCopies());
    case OutputFormat::Csv:
        break;
    }
    return BuildCsv(catalogue, shown);
}

}

int RunSearch(const Options &options, TProcessingOptions processing)
{
    int exitStatus = kExitDone;
    const std::optional<TSettings> settings = SettingsForWalk(options, exitStatus);
    if (!settings)
        return exitStatus;

    const bool withDefaultStore = !options.NoStore && options.StoreFile.isEmpty() && defaultStoreMayOpen();
    TCatalogue catalogue;
    catalogue.RecycleFolderName = ChooseRecycleFolderName();
    catalogue.SearchStopped = false;
    bool interrupted = false;
    {
        CliObserver observer(catalogue, options.Folders, settings->ScanSubfolders, options.Quiet);
        // The default store opens while the folders are walked, so that a repeated search does not
        // wait for its schema, the decoders' versions and the digest library. A store named by
        // --store waits for the walk, which tells whether it is one of the pictures searched; no
        // picture type ends in the default store's ".sqlite".
        std::future<std::shared_ptr<TSignatureStore>> opening;
        if (withDefaultStore)
            opening = std::async(
                std::launch::async, [] { return std::make_shared<TSignatureStore>(TSignatureStore::DefaultFile()); });
        CollectSearchPictures(catalogue, *settings, observer);
        if (RefuseFileOptionsOntoPictures(catalogue, options))
            return kExitUsage;
        processing.Threads = options.Threads.value_or(0);
        processing.Dismissed = DecisionsForSearch(options);
        processing.ReferenceFolders = options.ReferenceFolders;
        std::shared_ptr<TSignatureStore> store = opening.valid() ? opening.get() : nullptr;
        if (!options.StoreFile.isEmpty())
            store = std::make_shared<TSignatureStore>(options.StoreFile);
        ProcessSearchPictures(catalogue, *settings, observer, processing, store);
        interrupted = observer.Interrupted();
        observer.FinishProgress();
        if (store) {
            // Everything signed is written before the program ends.
            store->Flush();
            const QString message = storeProblemMessage(*store);
            if (!message.isEmpty())
                ReportError(message);
        }
    }
    // Marks are only made on complete results.
    if (options.Keep)
        return interrupted ? kExitInterrupted : RunMarking(catalogue, *settings, options);
    QString error;
    if (!WriteOutput(options.OutputFile, formatPairs(catalogue, options, *settings), &error)) {
        ReportError(error);
        return kExitFailed;
    }
    return interrupted ? kExitInterrupted : kExitDone;
}
