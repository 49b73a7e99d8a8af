#pragma once

#include "settings.h"

#include <QString>

#include <optional>

struct Options;

// Writes "quorvane-cli: MESSAGE" as one line to standard error.
void ReportError(const QString &message);

// The settings of a run that walks the listed folders, after the checks every such run makes:
// a usable settings file, at least one picture type, at least one existing folder. On failure
// the message is reported and `exitStatus` receives the status to end with.
std::optional<TSettings> SettingsForWalk(const Options &options, int &exitStatus);
