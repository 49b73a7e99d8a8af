#pragma once

struct Options;

enum ExitStatus {
    kExitDone = 0,
    kExitSkipped = 1,
    kExitUsage = 2,
    kExitNoFolder = 3,
    kExitInterrupted = 130,
};

// Collects the listed folders and prints one full path per line (raw bytes, LF) in catalogue
// order. Returns the exit status; messages go to standard error.
int RunCollectOnly(const Options &options);
