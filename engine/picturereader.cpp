#include "engine/picturereader.h"

#include "engine/decodinglimits.h"
#include "engine/formatdecoders.h"
#include "engine/jpegcodec.h"
#include "engine/pictureerror.h"
#include "engine/rawpathfile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <initializer_list>
#include <mutex>

namespace
{

QByteArray upperExtension(const QByteArray &path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot).toUpper();
}

void openPicture(QFile &file, const QByteArray &path)
{
    if (!OpenForReading(file, path))
        throw TPictureError("the file cannot be opened or is not a regular file");
}

// A picture's file, or its bytes when the caller has read them already.
struct TPictureFile {
    const QByteArray &Path;
    const QByteArray *Bytes = nullptr;
};

QByteArray readWholeFile(const TPictureFile &picture)
{
    if (picture.Bytes) {
        if (picture.Bytes->size() > kMaxWholeFileBytes)
            throw TPictureError("the file is too large");
        return *picture.Bytes;
    }
    const QByteArray &path = picture.Path;
    QFile file;
    openPicture(file, path);
    if (file.size() > kMaxWholeFileBytes)
        throw TPictureError("the file is too large");
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TPictureError(file.errorString().toStdString());
    return bytes;
}

void limitReaderAllocation()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(kReaderAllocationLimitMb); });
}

// `format` empty lets the reader decide from the content (TIFF, whose codec is chosen that way).
QImage readWithQt(const TPictureFile &picture, const QByteArray &format)
{
    limitReaderAllocation();
    QFile file;
    QBuffer buffer;
    QIODevice *device = &file;
    if (picture.Bytes) {
        buffer.setData(*picture.Bytes);
        buffer.open(QIODevice::ReadOnly);
        device = &buffer;
    } else {
        openPicture(file, picture.Path);
    }
    QImageReader reader(device, format);
    // A named decoder must not hand the file to another one that recognises its content.
    if (!format.isEmpty())
        reader.setAutoDetectImageFormat(false);
    // A reader that cannot tell the size up front is held by the allocation limit alone.
    const QSize claimed = reader.size();
    if (claimed.isValid() && !PictureSizeAllowed(claimed.width(), claimed.height()))
        throw TPictureError("the picture is empty or too large");
    QImage image = reader.read();
    if (image.isNull())
        throw TPictureError(reader.errorString().toStdString());
    return image;
}

bool isOneOf(const QByteArray &extension, std::initializer_list<const char *> extensions)
{
    return std::any_of(extensions.begin(), extensions.end(), [&](const char *known) { return extension == known; });
}

TPictureSource readPicture(const TPictureFile &path)
{
    const QByteArray extension = upperExtension(path.Path);
    TPictureSource source;
    if (isOneOf(extension, { ".JPG", ".JPEG" }))
        source.JpegData = readWholeFile(path);
    else if (extension == ".PNG")
        source.Picture = readWithQt(path, "png");
    else if (isOneOf(extension, { ".TIF", ".TIFF" }))
        source.Picture = readWithQt(path, QByteArray());
    else if (extension == ".BMP")
        source.Picture = readWithQt(path, "bmp");
    else if (extension == ".GIF")
        source.Picture = readWithQt(path, "gif");
    else if (extension == ".WEBP")
        source.Picture = readWithQt(path, "webp");
    else if (isOneOf(extension, { ".HEIC", ".HEIF", ".AVIF" }))
        source.Picture = DecodeHeif(readWholeFile(path));
    else if (extension == ".JXL")
        source.Picture = DecodeJxl(readWholeFile(path));
    // LibRaw reads from memory, so that it never opens a FIFO itself.
    else if (isOneOf(extension, { ".CR2", ".CR3", ".NEF", ".ARW", ".DNG", ".ORF", ".RW2", ".RAF", ".PEF", ".SRW" }))
        source.Picture = DecodeRaw(readWholeFile(path));
    else
        throw TPictureError("unknown picture type");
    return source;
}

}

TPictureSource ReadPictureFile(const QByteArray &path) { return readPicture({ path }); }

TPictureSource ReadPictureBytes(const QByteArray &path, const QByteArray &bytes)
{
    return readPicture({ path, &bytes });
}

QByteArray SourceAsJpeg(const TPictureSource &source)
{
    return source.Picture.isNull() ? source.JpegData : EncodeJpeg(source.Picture);
}
