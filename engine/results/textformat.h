#pragma once

#include <QString>

#include <cstdint>

// A byte count as "1023 B", "2 KB", "1.00 MB" or "1.000 GB", with the user's decimal separator.
QString SizeToText(int64_t bytes);

// Milliseconds as "hh:mm:ss", each field the last two digits of its value (100 hours show 04).
QString ElapsedTimeText(uint32_t milliseconds);

// A count in the "#,##0" pattern: digits grouped by thousands with the system locale's separator.
QString FormatCount(int64_t count);

// A similarity in the "#,##0" pattern: the nearest whole number, halves away from zero.
QString FormatSimilarity(double similarity);

// A monotonic millisecond tick count as an unsigned 32-bit value, which wraps like a tick counter.
uint32_t TickCount();
