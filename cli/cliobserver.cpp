#include "cliobserver.h"

#include "textformat.h"

#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace
{

enum { kProgressIntervalMs = 100 };

volatile std::sig_atomic_t interruptRequested = 0;

void requestInterrupt(int) { interruptRequested = 1; }

}

CliObserver::CliObserver(TCatalogue &catalogue, std::vector<QByteArray> folders, bool scanSubfolders, bool quiet)
    : m_catalogue(catalogue)
    , m_folders(std::move(folders))
    , m_scanSubfolders(scanSubfolders)
    , m_showProgress(!quiet && isatty(STDERR_FILENO))
{
    interruptRequested = 0;
    struct sigaction action {
    };
    action.sa_handler = requestInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

CliObserver::~CliObserver()
{
    FinishProgress();
    std::signal(SIGINT, SIG_DFL);
}

void CliObserver::Pump()
{
    if (interruptRequested)
        m_catalogue.SearchStopped = true;
    if (!m_pendingCaption.isEmpty() && TickCount() - m_lastProgressTicks >= kProgressIntervalMs)
        showProgress(m_pendingCaption);
}

bool CliObserver::Interrupted() const { return interruptRequested != 0; }

void CliObserver::FilesCountChanged(const QString &caption)
{
    if (m_showProgress)
        m_pendingCaption = caption;
}

void CliObserver::DuplicatesFoundChanged(const QString &caption)
{
    if (m_showProgress)
        m_pendingCaption = caption;
}

void CliObserver::showProgress(const QString &caption)
{
    std::fprintf(stderr, "\r\033[K%s", caption.toLocal8Bit().constData());
    std::fflush(stderr);
    m_progressShown = true;
    m_lastProgressTicks = TickCount();
    m_pendingCaption.clear();
}

void CliObserver::FinishProgress()
{
    if (!m_progressShown)
        return;
    std::fputc('\n', stderr);
    m_progressShown = false;
}
