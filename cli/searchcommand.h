#pragma once

#include "engine/compare/processing.h"

struct Options;

// Runs a whole search over the listed folders and writes the pairs in the chosen format.
// Returns the exit status; after Ctrl+C the pairs found so far are still written. The threads
// of `processing` are those the options ask for. An error that ends the search is thrown.
int RunSearch(const Options &options, TProcessingOptions processing = {});
