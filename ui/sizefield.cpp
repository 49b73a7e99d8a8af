#include "ui/sizefield.h"

#include <algorithm>

std::optional<int32_t> ParseSizeField(const QString &text)
{
    bool converted = false;
    const int32_t value = text.toInt(&converted, 10);
    if (!converted || text.trimmed() != text)
        return std::nullopt;
    return std::max<int32_t>(value, 0);
}

QString SizeFieldConversionError(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}
