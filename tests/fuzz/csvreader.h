#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// Splits CSV text into rows of fields by RFC 4180 with `separator` between fields: a field in
// double quotes may hold the separator, CR, LF and doubled quotes. Rows end with CR LF. Nothing
// when the text is malformed (a quote inside an unquoted field, an unterminated quoted field,
// text after a closing quote, a bare CR or LF outside quotes).
std::optional<QList<QList<QByteArray>>> ReadCsv(const QByteArray &text, char separator);
