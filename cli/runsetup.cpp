#include "cli/runsetup.h"

#include "cli/exitstatus.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/standarderror.h"
#include "engine/collect/folderlisting.h"
#include "engine/store/signaturestore.h"

#include <algorithm>

namespace
{

// Why --store cannot be opened as a store, checked before any folder is walked; empty when it can.
QString storeFileRefusal(const QByteArray &storeFile)
{
    const QString refusal = storeFile.isEmpty() ? QString() : TSignatureStore::Refusal(storeFile);
    return refusal.isEmpty() ? QString()
                             : QStringLiteral("--store %1 is not a signature store: %2; nothing was changed")
                                   .arg(QString::fromLocal8Bit(storeFile), refusal);
}

}

std::optional<TSettings> SettingsForWalk(const Options &options, int &exitStatus)
{
    QString error;
    std::optional<TSettings> settings = EffectiveSettings(options, &error);
    exitStatus = kExitUsage;
    if (!settings) {
        ReportError(error);
        return std::nullopt;
    }
    if (!settings->AnyPictureTypeSelected()) {
        ReportError(QStringLiteral("no picture type selected"));
        return std::nullopt;
    }
    if (const QString refusal = OutputFileRefusal(options.OutputFile); !refusal.isEmpty()) {
        ReportError(refusal);
        return std::nullopt;
    }
    if (const QString refusal = storeFileRefusal(options.StoreFile); !refusal.isEmpty()) {
        ReportError(refusal);
        return std::nullopt;
    }
    for (const QByteArray &folder : options.ReferenceFolders) {
        if (!IdentifyFolder(folder)) {
            ReportError(QStringLiteral("--reference %1: no such folder").arg(QString::fromLocal8Bit(folder)));
            return std::nullopt;
        }
    }
    if (std::none_of(options.Folders.begin(), options.Folders.end(),
            [](const QByteArray &folder) { return IdentifyFolder(folder).has_value(); })) {
        ReportError(QStringLiteral("none of the listed folders exists"));
        exitStatus = kExitNoFolder;
        return std::nullopt;
    }
    exitStatus = kExitDone;
    return settings;
}

bool RefuseFileOptionsOntoPictures(const TCatalogue &catalogue, const Options &options)
{
    for (const auto &[option, file] :
        { std::pair { "--output", options.OutputFile }, { "--store", options.StoreFile } }) {
        if (IsCollectedPicture(catalogue, file)) {
            ReportError(QStringLiteral("%1 %2 is one of the pictures searched; nothing was written")
                            .arg(QLatin1String(option), QString::fromLocal8Bit(file)));
            return true;
        }
    }
    return false;
}
