#include "runsetup.h"

#include "exitstatus.h"
#include "folderlisting.h"
#include "options.h"

#include <algorithm>
#include <cstdio>

void ReportError(const QString &message)
{
    std::fprintf(stderr, "quorvane-cli: %s\n", message.toLocal8Bit().constData());
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
    if (std::none_of(options.Folders.begin(), options.Folders.end(),
            [](const QByteArray &folder) { return IdentifyFolder(folder).has_value(); })) {
        ReportError(QStringLiteral("none of the listed folders exists"));
        exitStatus = kExitNoFolder;
        return std::nullopt;
    }
    exitStatus = kExitDone;
    return settings;
}
