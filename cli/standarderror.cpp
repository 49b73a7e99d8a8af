#include "cli/standarderror.h"

#include "fileops/temporaryfile.h"

#include <QStringList>
#include <QtGlobal>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace
{

enum { kReadChunk = 4096 };

constexpr char kClearLine[] = "\r\033[K";

struct Stream {
    std::mutex mutex;
    // Where the program's own lines go: descriptor 2 itself, or a copy of it while it is taken over.
    int fd = STDERR_FILENO;
    bool quiet = false;
    QByteArray progress;
    bool progressShown = false;
    // The reader that passes on what the libraries print, while descriptor 2 is a pipe.
    int pipeReadFd = -1;
    std::thread pipeReader;
};

Stream &stream()
{
    static Stream instance;
    return instance;
}

void writeBytes(const QByteArray &bytes) { WriteAll(stream().fd, bytes.constData(), bytes.size()); }

// A line of its own, with the progress line cleared before it and drawn again after it.
void writeLine(const QByteArray &line)
{
    Stream &s = stream();
    const std::lock_guard lock(s.mutex);
    writeBytes(s.progressShown ? kClearLine + line + '\n' + s.progress : line + '\n');
}

void writeLibraryLine(QByteArray line)
{
    if (stream().quiet)
        return;
    line.replace('\r', ' ');
    writeLine(line);
}

void handleQtMessage(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    const QString text = context.category && qstrcmp(context.category, "default") != 0
        ? QString::fromLatin1(context.category) + QStringLiteral(": ") + message
        : message;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        writeLibraryLine(line.toLocal8Bit());
}

void passOnLines(int readFd)
{
    QByteArray pending;
    char buffer[kReadChunk];
    for (;;) {
        const ssize_t got = read(readFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            writeLibraryLine(pending.left(end));
            pending.remove(0, end + 1);
        }
    }
    if (!pending.isEmpty())
        writeLibraryLine(pending);
}

}

StandardErrorCapture::StandardErrorCapture(bool quiet)
{
    const bool terminal = isatty(STDERR_FILENO);
    if (!quiet && !terminal)
        return;
    Stream &s = stream();
    const int ownFd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    int fds[2] = { -1, -1 };
    const bool redirected = ownFd >= 0
        && (quiet ? (fds[1] = open("/dev/null", O_WRONLY | O_CLOEXEC)) >= 0 : pipe2(fds, O_CLOEXEC) == 0)
        && dup2(fds[1], STDERR_FILENO) >= 0;
    if (fds[1] >= 0)
        close(fds[1]);
    if (!redirected) {
        if (fds[0] >= 0)
            close(fds[0]);
        if (ownFd >= 0)
            close(ownFd);
        return;
    }
    s.fd = ownFd;
    s.quiet = quiet;
    qInstallMessageHandler(handleQtMessage);
    if (fds[0] >= 0) {
        s.pipeReadFd = fds[0];
        s.pipeReader = std::thread(passOnLines, s.pipeReadFd);
    }
}

StandardErrorCapture::~StandardErrorCapture()
{
    Stream &s = stream();
    if (s.fd == STDERR_FILENO)
        return;
    qInstallMessageHandler(nullptr);
    std::fflush(stderr);
    // Descriptor 2 held the pipe's only writing end; giving it back ends the reader.
    dup2(s.fd, STDERR_FILENO);
    if (s.pipeReader.joinable()) {
        s.pipeReader.join();
        close(s.pipeReadFd);
        s.pipeReadFd = -1;
    }
    const std::lock_guard lock(s.mutex);
    close(s.fd);
    s.fd = STDERR_FILENO;
}

void ReportError(const QString &message) { writeLine("quorvane-cli: " + message.toLocal8Bit()); }

bool StandardErrorIsTerminal() { return isatty(stream().fd); }

void ShowProgressLine(const QString &text)
{
    Stream &s = stream();
    const std::lock_guard lock(s.mutex);
    s.progress = text.toLocal8Bit();
    s.progressShown = true;
    writeBytes(kClearLine + s.progress);
}

void EndProgressLine()
{
    Stream &s = stream();
    const std::lock_guard lock(s.mutex);
    if (!s.progressShown)
        return;
    writeBytes("\n");
    s.progressShown = false;
}
