#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The version file is a few bytes; a larger body is not one.
constexpr qint64 kMaxVersionBodyBytes = 64 * 1024;

// The latest version named by the web site's answer: the body as UTF-8 text, exactly as sent.
// Nothing when the transfer failed, the status is not 2xx, or the body is too large, holds a
// NUL byte or is not valid UTF-8.
std::optional<QString> VersionFromReply(bool transferSucceeded, int httpStatus, const QByteArray &body);
