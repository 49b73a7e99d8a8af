#pragma once

#include <QByteArray>
#include <QFile>

enum class TWholeFileRead { Read, TooLarge, Failed };

// Reads `file`, opened for reading, to its end into `bytes`: TooLarge when it holds more than
// kMaxWholeFileBytes (decodinglimits.h), Failed when reading fails. The bytes of a large file land
// in memory this thread kept from its previous large file, which saves the kernel handing out and
// clearing fresh pages for every camera RAW of tens of megabytes; `bytes` shares that memory until
// it is released or changed, and a later read then takes fresh memory.
TWholeFileRead ReadWholeFile(QFile &file, QByteArray &bytes);
