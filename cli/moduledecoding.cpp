#include "engine/decoding.h"

#include <QByteArray>

#include <climits>
#include <stdexcept>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace
{

constexpr char kModuleName[] = "quorvane-decoding.so";

// The folder of the running program, from which the module is found: beside it in a build folder,
// in its installed folder under the library folder otherwise.
QByteArray programFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || length >= ssize_t(sizeof path))
        return QByteArray();
    const QByteArray program(path, qsizetype(length));
    return program.left(program.lastIndexOf('/'));
}

struct TOpened {
    const TDecoding *Decoding = nullptr;
    std::string Problem;
};

TOpened openModule()
{
    const QByteArray folder = programFolder();
    const QByteArray candidates[] = { folder, folder + "/" QUORVANE_MODULE_FOLDER };
    TOpened opened;
    for (const QByteArray &candidate : candidates) {
        const QByteArray file = candidate + '/' + kModuleName;
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
    opened.Problem = std::string(kModuleName) + " is neither in " + candidates[0].toStdString() + " nor in "
        + candidates[1].toStdString();
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
