#pragma once

#include <QByteArray>
#include <QString>

// Why `path` (raw file-name bytes, links followed) cannot take a written list at all: it is a
// folder, a socket or a block device. Empty when it may be written or does not exist yet.
QString OutputRefusal(const QByteArray &path);

// Whether `path` (links followed) is a regular file that must not be replaced: one its owner made
// read-only (no write permission for anyone, which even the superuser respects here) or one this
// user may not write.
bool IsReadOnlyFile(const QByteArray &path);

// Writes `bytes` as the whole content of `path` (raw file-name bytes). A symbolic link is followed
// to its target, also when that does not exist yet. A regular file, or a name that does not exist
// yet, is replaced atomically: a temporary file in the same folder, flushed and renamed into
// place, so an old file survives any failure and keeps its permissions. A FIFO or a character
// device is written straight into (opening a FIFO waits for its reader), so a pipe stays a pipe
// and a device node stays a device node. Whatever OutputRefusal names is refused, and so is a
// read-only file (EACCES). Returns 0, or
// the errno value of the failing call with a description in `reason` (when given).
int WriteOutputFile(const QByteArray &path, const QByteArray &bytes, QString *reason);
