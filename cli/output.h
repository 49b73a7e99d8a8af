#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to standard output, or when `outputFile` is given, replaces that file
// atomically (an existing file survives a failed write). Returns false with a message.
bool WriteOutput(const QByteArray &outputFile, const QByteArray &bytes, QString *error);
