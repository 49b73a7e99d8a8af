#include "fileops/temporaryfile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

enum { kTemporaryNameAttempts = 100 };

}

int WriteAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= written;
    }
    return 0;
}

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray("./") : path.left(slash + 1);
}

int CreateTemporaryIn(const QByteArray &folder, mode_t mode, QByteArray &name)
{
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        name = folder + ".quorvane-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        const int fd = open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd >= 0 ? fd : -errno;
    }
    return -EEXIST;
}
