#include "uicore/versionreply.h"

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
    // Stateless, so that a sequence cut off at the end is an error instead of being held back
    // for input that never comes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
