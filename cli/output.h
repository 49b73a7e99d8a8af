#pragma once

#include "engine/base/catalogue.h"

#include <QByteArray>
#include <QString>

// Writes `bytes` to standard output, or when `outputFile` is given, into that file as
// WriteOutputFile does (an existing regular file is replaced atomically and survives a failed
// write; a FIFO or character device is written into). Returns false with a message.
bool WriteOutput(const QByteArray &outputFile, const QByteArray &bytes, QString *error);

// Why --output cannot take the list, checked before any folder is walked; empty when it can.
QString OutputFileRefusal(const QByteArray &outputFile);

// Whether `path` is one of the collected pictures (same device and inode, links followed), which
// writing a file there would destroy.
bool IsCollectedPicture(const TCatalogue &catalogue, const QByteArray &path);
