#include "engine/sign/decoding.h"

#include <QCoreApplication>
#include <QFile>

#include <stdexcept>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace
{

constexpr char kModuleName[] = "quorvane-decoding.so";

struct TOpened {
    const TDecoding *Decoding = nullptr;
    std::string Problem;
};

TOpened openModule()
{
    // Beside the program in a build folder, in its installed folder under the library folder otherwise.
    const QString folder = QCoreApplication::applicationDirPath();
    const QString candidates[] = { folder, folder + QStringLiteral("/" QUORVANE_MODULE_FOLDER) };
    TOpened opened;
    for (const QString &candidate : candidates) {
        const QByteArray file = QFile::encodeName(candidate + QLatin1Char('/') + QLatin1String(kModuleName));
        if (access(file.constData(), F_OK) != 0)
            continue;
        void *const module = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
        const auto entry
            = module ? reinterpret_cast<const TDecoding *(*)()>(dlsym(module, QUORVANE_DECODING_ENTRY)) : nullptr;
        if (entry)
            opened.Decoding = entry();
        else
            opened.Problem = module ? file.toStdString() + " holds no decoders" : std::string(dlerror());
        return opened;
    }
    opened.Problem = std::string(kModuleName) + " is neither in " + QFile::encodeName(candidates[0]).toStdString()
        + " nor in " + QFile::encodeName(candidates[1]).toStdString();
    return opened;
}

}

const TDecoding &Decoding()
{
    static const TOpened opened = openModule();
    if (!opened.Decoding)
        throw std::runtime_error("the picture decoders cannot be loaded: " + opened.Problem);
    return *opened.Decoding;
}
