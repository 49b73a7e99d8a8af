#include "cli/settingsfile.h"

#include "engine/base/rawpathfile.h"
#include "fileops/fileoperations.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>

namespace
{

std::optional<QByteArray> refuse(const QByteArray &path, const QString &why, QString *error)
{
    *error = QStringLiteral("--settings %1: %2").arg(QString::fromLocal8Bit(path), why);
    return std::nullopt;
}

}

std::optional<QByteArray> ReadSettingsFile(const QByteArray &path, QString *error)
{
    struct stat status {
    };
    if (stat(path.constData(), &status) != 0)
        return refuse(path, errno == ENOENT ? QStringLiteral("no such file") : SystemErrorText(errno), error);
    if (S_ISDIR(status.st_mode))
        return refuse(path, QStringLiteral("a folder, not a settings file"), error);
    if (!S_ISREG(status.st_mode))
        return refuse(path, QStringLiteral("not a regular file"), error);
    if (status.st_size > kMaxSettingsFileBytes)
        return refuse(path, QStringLiteral("larger than 1 MiB, not a settings file"), error);
    QFile file;
    if (!OpenForReading(file, path))
        return refuse(path, QStringLiteral("cannot be read"), error);
    // Read one byte beyond the limit, in case the file grew after the look.
    const QByteArray content = file.read(kMaxSettingsFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(path, file.errorString(), error);
    if (content.size() > kMaxSettingsFileBytes)
        return refuse(path, QStringLiteral("larger than 1 MiB, not a settings file"), error);
    if (content.contains('\0'))
        return refuse(path, QStringLiteral("holds binary data, not a settings file"), error);
    return content;
}
