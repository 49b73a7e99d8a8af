#include "fuzztarget.h"

#include "settings/settingsstore.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstring>

namespace
{

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool sameSettings(const TSettings &a, const TSettings &b)
{
    return a.SearchJPG == b.SearchJPG && a.SearchBMP == b.SearchBMP && a.SearchGIF == b.SearchGIF
        && a.SearchPNG == b.SearchPNG && a.SearchTIFF == b.SearchTIFF && a.SearchCR2 == b.SearchCR2
        && a.SearchSimilar == b.SearchSimilar && a.MoveToRecycle == b.MoveToRecycle
        && a.DeleteWithoutAsking == b.DeleteWithoutAsking && a.SearchOnlyIdentical == b.SearchOnlyIdentical
        && a.AutoCheckUpdates == b.AutoCheckUpdates && a.ScanSubfolders == b.ScanSubfolders
        && a.MinPicWidth == b.MinPicWidth && a.MinPicHeight == b.MinPicHeight && a.SearchWEBP == b.SearchWEBP
        && a.SearchHEIF == b.SearchHEIF && a.SearchJXL == b.SearchJXL && a.SearchRAW == b.SearchRAW;
}

}

// Any file content: what loads is saved, loads back the same, and a second save changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Quorvane.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        FuzzFailure("cannot write the settings file");
    file.close();

    const TSettings loaded = LoadSettings(path);
    if (loaded.MinPicWidth < 0 || loaded.MinPicHeight < 0)
        FuzzFailure("a negative minimum size was loaded");
    QString error;
    if (!SaveSettings(path, loaded, &error))
        FuzzFailure("saving failed");
    const QByteArray saved = readAll(path);
    if (!sameSettings(LoadSettings(path), loaded))
        FuzzFailure("saved settings load back differently");
    if (!SaveSettings(path, loaded, &error) || readAll(path) != saved)
        FuzzFailure("a second save changed the file");
    QFile::remove(path);
    return 0;
}
