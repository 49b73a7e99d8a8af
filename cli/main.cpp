#include "cli/collectonly.h"
#include "cli/decisioncommand.h"
#include "cli/exitstatus.h"
#include "cli/guardedrun.h"
#include "cli/options.h"
#include "cli/searchcommand.h"
#include "cli/signaturecommand.h"
#include "cli/standarderror.h"
#include "engine/compare/signingpipeline.h"

#include <QCoreApplication>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace
{

QByteArray currentDirectory()
{
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? QByteArray(buffer) : QByteArray("/");
}

int runCommand(const Options &options)
{
    const StandardErrorCapture capture(options.Quiet);
    const int status = RunGuarded([&] {
        if (!options.SignatureFile.isEmpty())
            return RunSignature(options);
        if (!options.Dismiss.empty())
            return RunDismiss(options);
        if (options.ForgetDismissed)
            return RunForgetDismissed();
        if (options.CollectOnly)
            return RunCollectOnly(options);
        return RunSearch(options);
    });
    // A search stopped by Ctrl+C or ended by an error may have left a decode running.
    WaitForLeftBehindWorkers(kMaxDecodeTime);
    return status;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // Raw argument bytes, so that folder names that are not valid UTF-8 reach the same folder.
    std::vector<QByteArray> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseOptions(arguments, currentDirectory());
    if (!parsed.Error.isEmpty()) {
        ReportError(parsed.Error);
        return kExitUsage;
    }
    const Options &options = parsed.Values;
    if (options.Help) {
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return kExitDone;
    }
    const int status = runCommand(options);
    // The run has closed what it wrote and passed on every library message by now. Tearing Qt and
    // the libraries down one by one would only keep the caller waiting a few milliseconds more.
    std::fflush(stdout);
    std::_Exit(status);
}
