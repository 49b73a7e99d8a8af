#include "signaturecommand.h"

#include "exitstatus.h"
#include "options.h"
#include "signpicture.h"

#include <cstdio>

int RunSignature(const Options &options)
{
    QString error;
    const auto settings = EffectiveSettings(options, &error);
    if (!settings) {
        std::fprintf(stderr, "quorvane-cli: %s\n", error.toLocal8Bit().constData());
        return kExitUsage;
    }
    const std::optional<TPictureSignature> signature = SignPicture(options.SignatureFile, *settings);
    if (!signature) {
        std::fprintf(stderr, "quorvane-cli: %s: not a picture that can be read, or below the minimum size\n",
            options.SignatureFile.constData());
        return kExitFailed;
    }
    const QByteArray text = SignatureText(*signature);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return kExitDone;
}
