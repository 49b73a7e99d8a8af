#include "engine/results/textformat.h"

#include <QLocale>

#include <chrono>
#include <cmath>

namespace
{

// printf's rounding of the quotient, with the user's decimal separator in place of the point.
QString fixedText(double value, int decimals)
{
    QString text = QString::asprintf("%.*f", decimals, value);
    return text.replace(u'.', QLocale::system().decimalPoint());
}

}

QString SizeToText(int64_t bytes)
{
    if (bytes >= 1073741824)
        return fixedText(double(bytes) / 1073741824.0, 3) + QStringLiteral(" GB");
    if (bytes >= 1048576)
        return fixedText(double(bytes) / 1048576.0, 2) + QStringLiteral(" MB");
    if (bytes >= 1024)
        return fixedText(double(bytes) / 1024.0, 0) + QStringLiteral(" KB");
    return QString::number(bytes) + QStringLiteral(" B");
}

QString ElapsedTimeText(uint32_t milliseconds)
{
    const uint32_t seconds = milliseconds / 1000;
    const auto field = [](uint32_t value) { return (QStringLiteral("00") + QString::number(value)).right(2); };
    return field(seconds / 3600) + u':' + field(seconds % 3600 / 60) + u':' + field(seconds % 60);
}

QString FormatCount(int64_t count) { return QLocale::system().toString(qlonglong(count)); }

QString FormatSimilarity(double similarity) { return FormatCount(int64_t(std::round(similarity))); }

uint32_t TickCount()
{
    const auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count());
}
