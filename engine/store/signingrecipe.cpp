#include "engine/store/signingrecipe.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

#include <cstdio>
#include <jpeglib.h>
#include <jxl/version.h>
#include <libheif/heif_version.h>
#include <libraw/libraw_version.h>

namespace
{

// Raised whenever signing itself changes in a way that changes any signature.
constexpr int kSigningMethodVersion = 1;

// Raised when a decoder changes what it hands to signing; 0 for a decoder whose way never changed.
int decoderMethodVersion(TPictureDecoder decoder)
{
    switch (decoder) {
    // The primary picture's own thumbnail.
    case TPictureDecoder::Heif:
        return 1;
    // libwebp's decoding scaled down to 1/8.
    case TPictureDecoder::Webp:
        return 1;
    // The camera's JPEG preview.
    case TPictureDecoder::Raw:
        return 1;
    // The JPEG a transcoded file holds.
    case TPictureDecoder::Jxl:
        return 1;
    case TPictureDecoder::None:
    case TPictureDecoder::Jpeg:
    case TPictureDecoder::Png:
    case TPictureDecoder::Tiff:
    case TPictureDecoder::Bmp:
    case TPictureDecoder::Gif:
        break;
    }
    return 0;
}

#define QUORVANE_TEXT(x) #x
#define QUORVANE_VERSION_TEXT(x) QUORVANE_TEXT(x)

QByteArray fileIdentity(const QString &path)
{
    const QFileInfo info(path);
    return QFile::encodeName(info.canonicalFilePath()) + ' ' + QByteArray::number(info.size()) + ' '
        + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
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
        + fileIdentity(QStringLiteral(QUORVANE_LIBJPEG_FILE)) + "\nLibRaw " LIBRAW_VERSION_STR " "
        + fileIdentity(QStringLiteral(QUORVANE_LIBRAW_FILE)) + "\nQt " + qVersion() + ' '
        + fileIdentity(QStringLiteral(QUORVANE_QTGUI_FILE)) + "\nQt image plugins " + imagePluginsIdentity()
        + "\nlibheif " LIBHEIF_VERSION " " + fileIdentity(QStringLiteral(QUORVANE_LIBHEIF_FILE))
        + "\nlibjxl " QUORVANE_VERSION_TEXT(JPEGXL_MAJOR_VERSION) "." QUORVANE_VERSION_TEXT(
            JPEGXL_MINOR_VERSION) "." QUORVANE_VERSION_TEXT(JPEGXL_PATCH_VERSION) " "
        + fileIdentity(QStringLiteral(QUORVANE_LIBJXL_FILE));
    return recipe;
}

QByteArray DecoderRecipe(const QByteArray &recipe, TPictureDecoder decoder)
{
    const int version = decoderMethodVersion(decoder);
    if (version == 0)
        return recipe;
    const QByteArray method
        = "\ndecoder " + QByteArray::number(int(decoder)) + " method " + QByteArray::number(version);
    // libwebp shapes WebP's signatures alone; named here, it leaves every other decoder's entries valid.
    if (decoder == TPictureDecoder::Webp)
        return recipe + method + "\nlibwebp " QUORVANE_LIBWEBP_VERSION " "
            + fileIdentity(QStringLiteral(QUORVANE_LIBWEBP_FILE));
    return recipe + method;
}
