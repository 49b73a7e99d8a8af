#include "picturereader.h"

#include "decodinglimits.h"
#include "jpegcodec.h"
#include "pictureerror.h"
#include "rawpathfile.h"

#include <QFile>
#include <QImageReader>

#include <libraw/libraw.h>

#include <memory>
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

QByteArray readWholeFile(const QByteArray &path)
{
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
QImage readWithQt(const QByteArray &path, const QByteArray &format)
{
    limitReaderAllocation();
    QFile file;
    openPicture(file, path);
    QImageReader reader(&file, format);
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

// Read from memory rather than by path, so that LibRaw never opens a FIFO itself.
QImage readRaw(const QByteArray &path)
{
    const QByteArray bytes = readWholeFile(path);
    // LibRaw's object is several hundred kilobytes; keep it off the stack.
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    raw->imgdata.params.max_raw_memory_mb = kRawMemoryLimitMb;
    int status = raw->open_buffer(const_cast<char *>(bytes.constData()), size_t(bytes.size()));
    // open_buffer reads only the metadata; the sizes are checked before unpack allocates pixels.
    const libraw_image_sizes_t &sizes = raw->imgdata.sizes;
    if (status == LIBRAW_SUCCESS
        && (!PictureSizeAllowed(sizes.raw_width, sizes.raw_height) || !PictureSizeAllowed(sizes.width, sizes.height)))
        throw TPictureError("RAW: the picture is empty or too large");
    if (status == LIBRAW_SUCCESS)
        status = raw->unpack();
    if (status == LIBRAW_SUCCESS)
        status = raw->dcraw_process();
    if (status != LIBRAW_SUCCESS)
        throw TPictureError(std::string("RAW: ") + libraw_strerror(status));
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> processed(
        raw->dcraw_make_mem_image(&status), LibRaw::dcraw_clear_mem);
    if (!processed)
        throw TPictureError(std::string("RAW: ") + libraw_strerror(status));
    if (processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->bits != 8)
        throw TPictureError("RAW: unexpected processed image");
    const QImage view(
        processed->data, processed->width, processed->height, qsizetype(processed->width) * 3, QImage::Format_RGB888);
    QImage copy = view.copy();
    if (copy.isNull())
        throw std::bad_alloc();
    return copy;
}

}

TPictureSource ReadPictureFile(const QByteArray &path)
{
    const QByteArray extension = upperExtension(path);
    TPictureSource source;
    if (extension == ".JPG" || extension == ".JPEG")
        source.JpegData = readWholeFile(path);
    else if (extension == ".PNG")
        source.Picture = readWithQt(path, "png");
    else if (extension == ".TIF" || extension == ".TIFF")
        source.Picture = readWithQt(path, QByteArray());
    else if (extension == ".BMP")
        source.Picture = readWithQt(path, "bmp");
    else if (extension == ".GIF")
        source.Picture = readWithQt(path, "gif");
    else if (extension == ".CR2")
        source.Picture = readRaw(path);
    else
        throw TPictureError("unknown picture type");
    return source;
}

QByteArray SourceAsJpeg(const TPictureSource &source)
{
    return source.Picture.isNull() ? source.JpegData : EncodeJpeg(source.Picture);
}
