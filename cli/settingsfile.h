#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The largest file --settings takes; a settings file holds a few hundred bytes.
constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

// The text of the settings file at `path` (raw file-name bytes, links followed). Nothing, with a
// message naming the file in `error`, when it does not exist, is a folder or anything else but a
// regular file, is larger than kMaxSettingsFileBytes, holds a NUL byte or cannot be read.
std::optional<QByteArray> ReadSettingsFile(const QByteArray &path, QString *error);
