#include "fuzztarget.h"

#include "uicore/versionreply.h"

#include <QtEndian>

namespace
{

constexpr size_t kHeaderBytes = 3;
const QByteArray kByteOrderMark = "\xEF\xBB\xBF";

}

// The first byte says whether the transfer succeeded, the next two give the HTTP status; the
// rest is the body. A version is accepted only from a 2xx answer and is the body's exact text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHeaderBytes)
        return 0;
    const bool succeeded = data[0] & 1;
    const int status = qFromBigEndian<quint16>(data + 1);
    const QByteArray body(reinterpret_cast<const char *>(data + kHeaderBytes), qsizetype(size - kHeaderBytes));
    const std::optional<QString> version = VersionFromReply(succeeded, status, body);
    if (!version)
        return 0;
    if (!succeeded || status < 200 || status > 299)
        FuzzFailure("a version was taken from a failed answer");
    if (body.size() > kMaxVersionBodyBytes || body.contains('\0'))
        FuzzFailure("an oversized body or one holding NUL was accepted");
    const QByteArray text = body.startsWith(kByteOrderMark) ? body.mid(kByteOrderMark.size()) : body;
    if (version->toUtf8() != text)
        FuzzFailure("the version is not the body's text");
    return 0;
}
