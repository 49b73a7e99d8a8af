#include "cli/output.h"

#include "fileops/outputfile.h"

#include <cstdio>

#include <sys/stat.h>

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
    QString reason;
    if (WriteOutputFile(outputFile, bytes, &reason) != 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(QString::fromLocal8Bit(outputFile), reason);
        return false;
    }
    return true;
}

QString OutputFileRefusal(const QByteArray &outputFile)
{
    if (outputFile.isEmpty())
        return QString();
    const QString refusal = OutputRefusal(outputFile);
    return refusal.isEmpty()
        ? QString()
        : QStringLiteral("--output %1: %2, not a file").arg(QString::fromLocal8Bit(outputFile), refusal);
}

bool IsCollectedPicture(const TCatalogue &catalogue, const QByteArray &path)
{
    struct stat info {
    };
    if (path.isEmpty() || stat(path.constData(), &info) != 0)
        return false;
    for (int32_t k = 0; k <= catalogue.PicturesLast; ++k) {
        if (catalogue.Pictures[k].Device == info.st_dev && catalogue.Pictures[k].Inode == info.st_ino)
            return true;
    }
    return false;
}
