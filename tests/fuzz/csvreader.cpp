#include "csvreader.h"

std::optional<QList<QList<QByteArray>>> ReadCsv(const QByteArray &text, char separator)
{
    QList<QList<QByteArray>> rows;
    QList<QByteArray> row;
    qsizetype at = 0;
    const qsizetype end = text.size();
    while (at < end) {
        QByteArray field;
        if (text[at] == '"') {
            ++at;
            for (;;) {
                if (at >= end)
                    return std::nullopt;
                if (text[at] == '"') {
                    if (at + 1 < end && text[at + 1] == '"') {
                        field += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += text[at++];
            }
        } else {
            while (at < end && text[at] != separator && text[at] != '\r' && text[at] != '\n') {
                if (text[at] == '"')
                    return std::nullopt;
                field += text[at++];
            }
        }
        row << field;
        if (at < end && text[at] == separator) {
            ++at;
            if (at == end)
                return std::nullopt;
            continue;
        }
        if (text.mid(at, 2) != "\r\n")
            return std::nullopt;
        at += 2;
        rows << row;
        row.clear();
    }
    return rows;
}
