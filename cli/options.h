#pragma once

#include "engine/cleanup/markingrules.h"
#include "settings/picturetypes.h"
#include "settings/settings.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

enum class OutputFormat { Csv, Tsv, Json };

// Everything the command line can say. Options that may also come from a settings file are
// optional here, so that only those given on the command line override the file.
struct Options {
    // Absolute, cleaned, each ending with "/"; bytes as given, so any file name round-trips.
    std::vector<QByteArray> Folders;
    // The picture types --types names, as listed.
    std::optional<std::vector<const TPictureType *>> Types;
    bool NoSubfolders = false;
    std::optional<int32_t> MinWidth;
    std::optional<int32_t> MinHeight;
    bool IdenticalOnly = false;
    bool Rotations = false;
    QByteArray SettingsFile;
    bool CollectOnly = false;
    QByteArray SignatureFile;
    OutputFormat Format = OutputFormat::Csv;
    QByteArray OutputFile;
    bool Quiet = false;
    // Threads that decode pictures; nothing means one per core.
    std::optional<int> Threads;
    // Search without the signature store, or with the one in this file instead of the default.
    bool NoStore = false;
    QByteArray StoreFile;
    bool Help = false;
    // Bulk clean-up: the rule that marks, and what is done with the marked files.
    std::optional<TMarkingRule> Keep;
    std::optional<double> MinSimilarity;
    bool TrashMarked = false;
    // The folder the marked files are moved to, absolute and ending with "/".
    QByteArray MoveMarked;
    // Reference folders, absolute and ending with "/"; each is also in Folders.
    std::vector<QByteArray> ReferenceFolders;
    // List only the pairs at least this many percent similar.
    std::optional<double> MinListed;
    // Search without the "not duplicates" decisions.
    bool NoDecisions = false;
    // Record that the two files (bytes as given) are not duplicates, and stop.
    std::vector<QByteArray> Dismiss;
    // Forget every "not duplicates" decision, and stop.
    bool ForgetDismissed = false;
};

struct ParsedOptions {
    Options Values;
    // One line naming the bad argument; empty when the command line is usable.
    QString Error;
};

// Parses the arguments after the program name. Relative folders are made absolute against
// `currentDir`.
ParsedOptions ParseOptions(const std::vector<QByteArray> &arguments, const QByteArray &currentDir);

// The settings a run uses: the settings file when one is given (or the defaults), then every
// option given on the command line. Returns nothing with a message when the file does not exist.
std::optional<TSettings> EffectiveSettings(const Options &options, QString *error);

// `path` made absolute against `currentDir` and cleaned of "." and ".." components and doubled
// slashes, with a trailing "/". Works on bytes, so names that are not valid UTF-8 survive.
QByteArray AbsoluteFolder(const QByteArray &path, const QByteArray &currentDir);

// The usage text printed by --help.
QString UsageText();
