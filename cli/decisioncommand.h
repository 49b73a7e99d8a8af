#pragma once

#include <memory>

struct Options;
class TDismissedPairs;

// --dismiss: records that the two files' contents are not duplicates. Returns the exit status.
int RunDismiss(const Options &options);

// --forget-dismissed: forgets every decision. Returns the exit status.
int RunForgetDismissed();

// The decisions a search honours: none under --no-decisions or when none are recorded. A file that
// cannot be read is reported, and the search runs without it.
std::shared_ptr<const TDismissedPairs> DecisionsForSearch(const Options &options);
