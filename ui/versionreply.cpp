#include "versionreply.h"

#include <QStringDecoder>

namespace
{

constexpr int kFirstSuccess = 200;
constexpr int kFirstRedirect = 300;

}

std::optional<QString> VersionFromReply(bool transferSucceeded, int httpStatus, const QByteArray &body)
{
    if (!transferSucceeded || httpStatus < kFirstSuccess || httpStatus >= kFirstRedirect)
        return std::nullopt;
    if (body.size() > kMaxVersionBodyBytes || body.contains('\0'))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
