#pragma once

#include "engine/base/catalogue.h"
#include "settings/settings.h"

#include <QString>

#include <optional>

struct Options;

// The settings of a run that walks the listed folders, after the checks every such run makes:
// a usable settings file, at least one picture type, an --output that can take a list, a --store
// that may be opened as a store, at least one existing folder. On failure the message is reported
// and `exitStatus` receives the status to end with.
std::optional<TSettings> SettingsForWalk(const Options &options, int &exitStatus);

// Whether --output or --store names one of the collected pictures, checked once collection has
// ended; the refusal is reported. Writing the list or the store there would destroy the picture.
bool RefuseFileOptionsOntoPictures(const TCatalogue &catalogue, const Options &options);
