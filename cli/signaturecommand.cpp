#include "cli/signaturecommand.h"

#include "cli/exitstatus.h"
#include "cli/options.h"
#include "cli/standarderror.h"
#include "engine/sign/decoding.h"

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

int RunSignature(const Options &options)
{
    QString error;
    const auto settings = EffectiveSettings(options, &error);
    if (!settings) {
        ReportError(error);
        return kExitUsage;
    }
    const QString shownPath = QString::fromLocal8Bit(options.SignatureFile);
    struct stat status {
    };
    if (stat(options.SignatureFile.constData(), &status) != 0 && errno == ENOENT) {
        ReportError(QStringLiteral("%1: no such file").arg(shownPath));
        return kExitFailed;
    }
    const std::optional<TPictureSignature> signature = Decoding().SignPicture(options.SignatureFile, *settings);
    if (!signature) {
        ReportError(QStringLiteral("%1: not a picture that can be read, or below the minimum size").arg(shownPath));
        return kExitFailed;
    }
    const QByteArray text = SignatureText(*signature);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return kExitDone;
}
