#include "engine/signingrecipe.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLibraryInfo>

#include <cstdio>
#include <jpeglib.h>
#include <jxl/version.h>
#include <libheif/heif_version.h>
#include <libraw/libraw_version.h>

#include <dlfcn.h>

namespace
{

// Raised whenever signing itself changes in a way that changes any signature.
constexpr int kSigningMethodVersion = 1;

#define QUORVANE_TEXT(x) #x
#define QUORVANE_VERSION_TEXT(x) QUORVANE_TEXT(x)

QByteArray fileIdentity(const QString &path)
{
    const QFileInfo info(path);
    return QFile::encodeName(info.canonicalFilePath()) + ' ' + QByteArray::number(info.size()) + ' '
        + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
}

// The file of the shared library that holds `symbol`.
QByteArray libraryIdentity(const void *symbol)
{
    Dl_info info {};
    if (dladdr(symbol, &info) == 0 || !info.dli_fname)
        return "unknown";
    return fileIdentity(QFile::decodeName(info.dli_fname));
}

QByteArray imagePluginsIdentity()
{
    QByteArray text;
    const QDir folder(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/imageformats"));
    for (const QFileInfo &plugin : folder.entryInfoList(QDir::Files, QDir::Name))
        text += fileIdentity(plugin.filePath()) + ';';
    return text;
}

}

QByteArray SigningRecipe()
{
    static const QByteArray recipe = "signing " + QByteArray::number(kSigningMethodVersion)
        + "\nlibjpeg-turbo " QUORVANE_VERSION_TEXT(LIBJPEG_TURBO_VERSION) " "
        + libraryIdentity(reinterpret_cast<const void *>(&jpeg_CreateDecompress)) + "\nLibRaw " LIBRAW_VERSION_STR " "
        + fileIdentity(QStringLiteral(QUORVANE_LIBRAW_FILE)) + "\nQt " + qVersion() + ' '
        + libraryIdentity(reinterpret_cast<const void *>(&QImageReader::supportedImageFormats)) + "\nQt image plugins "
        + imagePluginsIdentity() + "\nlibheif " LIBHEIF_VERSION " "
        + fileIdentity(QStringLiteral(QUORVANE_LIBHEIF_FILE))
        + "\nlibjxl " QUORVANE_VERSION_TEXT(JPEGXL_MAJOR_VERSION) "." QUORVANE_VERSION_TEXT(
            JPEGXL_MINOR_VERSION) "." QUORVANE_VERSION_TEXT(JPEGXL_PATCH_VERSION) " "
        + fileIdentity(QStringLiteral(QUORVANE_LIBJXL_FILE));
    return recipe;
}
