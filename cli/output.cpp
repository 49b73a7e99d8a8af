#include "output.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

bool WriteOutput(const QByteArray &outputFile, const QByteArray &bytes, QString *error)
{
    if (outputFile.isEmpty()) {
        const bool written
            = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) == std::size_t(bytes.size())
            && std::fflush(stdout) == 0;
        if (!written)
            *error = QStringLiteral("cannot write to standard output");
        return written;
    }
    const QString path = QFile::decodeName(outputFile);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
