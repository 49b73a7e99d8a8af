#pragma once

#include "cli/exitstatus.h"

struct Options;

// Collects the listed folders and prints one full path per line (raw bytes, LF) in catalogue
// order. Returns the exit status; messages go to standard error.
int RunCollectOnly(const Options &options);
