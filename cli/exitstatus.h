#pragma once

// Exit status of quorvane-cli.
enum ExitStatus {
    kExitDone = 0,
    // The picture of --signature was skipped, the output could not be written, a marked file was
    // left alone, or an error ended the run.
    kExitFailed = 1,
    // A bad option or value; the message names it.
    kExitUsage = 2,
    kExitNoFolder = 3,
    // Ctrl+C stopped the run; what was found until then is still written.
    kExitInterrupted = 130,
};
