#pragma once

#include "engine/base/catalogue.h"
#include "settings/settings.h"

struct Options;

// After a search: marks by the rule of --keep and either lists the marked files in the chosen
// format or, with --trash-marked or --move-marked, acts on them with the checks of the window's
// batch and lists what was done. Returns the exit status.
int RunMarking(TCatalogue &catalogue, const TSettings &settings, const Options &options);
