#pragma once

#include "fileops/fileoperations.h"
#include "settings/settings.h"

#include <QString>

// Reads the settings from the section "Main" of an INI file. A missing file gives the defaults
// and is not created; a missing or unconvertible value gives its key's default. Values are
// 32-bit integers, hexadecimal after a "0x" prefix; a Boolean is true when non-zero; negative
// minimum sizes become 0.
TSettings LoadSettings(const QString &iniPath);

// The same, from the text of a settings file.
TSettings ParseSettings(const QByteArray &content);

// Writes every key (Booleans as "1"/"0"), keeping every other line of an existing file and
// its line ends. The file is replaced atomically; on failure it is left as it was and the result
// is false with a message naming the file in `error`.
bool SaveSettings(const QString &iniPath, const TSettings &settings, QString *error);
// The same, writing through `operations`.
bool SaveSettings(const QString &iniPath, const TSettings &settings, QString *error, TFileOperations &operations);

// "Quorvane.ini" beside the executable when it exists there or that folder is writable,
// otherwise in the user's configuration folder.
QString SettingsFilePath();
