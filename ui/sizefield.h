#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Strict conversion of a minimum-size field: the whole text must be a decimal integer within the
// 32-bit range (an empty text is not). A negative value becomes 0. Returns nothing when the text
// does not convert.
std::optional<int32_t> ParseSizeField(const QString &text);

// The message shown when ParseSizeField refuses a text.
QString SizeFieldConversionError(const QString &text);
