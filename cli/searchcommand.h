#pragma once

struct Options;

// Runs a whole search over the listed folders and writes the pairs in the chosen format.
// Returns the exit status; after Ctrl+C the pairs found so far are still written.
int RunSearch(const Options &options);
