#include "fuzztarget.h"

#include "engine/decode/pictureloader.h"
#include "engine/sign/signpicture.h"
#include "settings/settings.h"

#include <QFile>
#include <QTemporaryDir>

namespace
{

const char *const kExtensions[] = { ".jpg", ".png", ".gif", ".bmp", ".tif", ".cr2" };

}

// The first byte picks the file's extension, and with it the decoder; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir folder;
    if (size < 1)
        return 0;
    const QString path = folder.filePath(QStringLiteral("input") + kExtensions[data[0] % std::size(kExtensions)]);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data + 1), qint64(size - 1)) != qint64(size - 1))
        FuzzFailure("cannot write the input file");
    file.close();
    TSettings settings;
    settings.MinPicWidth = 0;
    settings.MinPicHeight = 0;
    const std::optional<TPictureSignature> signature = SignPicture(QFile::encodeName(path), settings);
    if (signature && !PassesSizeFilter(signature->Height, signature->Width, settings))
        FuzzFailure("a picture below the minimum size was signed");
    QFile::remove(path);
    return 0;
}
