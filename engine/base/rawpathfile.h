#pragma once

#include <QByteArray>
#include <QFile>

// Opens the regular file at `path` (raw file-system bytes, links followed) for reading into
// `file`. Works for names that are not valid UTF-8, which a QString path cannot carry, and never
// blocks on a FIFO that took a picture's place. Returns false when the file cannot be opened or
// is not a regular file.
bool OpenForReading(QFile &file, const QByteArray &path);
