#include "cli/runsetup.h"

#include "cli/exitstatus.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/standarderror.h"
#include "engine/folderlisting.h"

#include <algorithm>

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
    if (std::none_of(options.Folders.begin(), options.Folders.end(),
            [](const QByteArray &folder) { return IdentifyFolder(folder).has_value(); })) {
        ReportError(QStringLiteral("none of the listed folders exists"));
        exitStatus = kExitNoFolder;
        return std::nullopt;
    }
    exitStatus = kExitDone;
    return settings;
}

bool RefuseOutputOntoPicture(const TCatalogue &catalogue, const Options &options)
{
    if (!OutputIsCollectedPicture(catalogue, options.OutputFile))
        return false;
    ReportError(QStringLiteral("--output %1 is one of the pictures searched; nothing was written")
                    .arg(QString::fromLocal8Bit(options.OutputFile)));
    return true;
}
