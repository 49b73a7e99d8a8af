#include "cli/cliobserver.h"

#include "cli/standarderror.h"
#include "engine/results/textformat.h"

#include <csignal>

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
    , m_showProgress(!quiet && StandardErrorIsTerminal())
    , m_startTicks(TickCount())
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
    if (m_showProgress && TickCount() - m_lastProgressTicks >= kProgressIntervalMs)
        showProgress(progressText());
}

QString CliObserver::progressText() const
{
    const uint32_t elapsed = TickCount() - m_startTicks;
    // Pairs get their room only once collection has ended.
    if (m_catalogue.PairsCapacity == 0)
        return QStringLiteral("collecting: %1 pictures, %2")
            .arg(m_catalogue.PicturesLast + 1)
            .arg(ElapsedTimeText(elapsed));
    const int32_t done = m_catalogue.PicturesLast + 1;
    const double rate = elapsed > 0 ? done * 1000.0 / elapsed : 0;
    const QString signedCounts = m_signedCounts
        ? QStringLiteral(" (%1 from the store, %2 decoded)").arg(m_signedCounts->first).arg(m_signedCounts->second)
        : QString();
    return QStringLiteral("pictures %1 / %2%3, pairs %4, %5, %6 pictures/s")
        .arg(done)
        .arg(m_catalogue.PicturesCapacity)
        .arg(signedCounts)
        .arg(m_catalogue.PairsLast + 1)
        .arg(ElapsedTimeText(elapsed))
        .arg(rate, 0, 'f', 1);
}

void CliObserver::SignaturesCountChanged(int32_t fromStore, int32_t decoded)
{
    m_signedCounts = { fromStore, decoded };
}

bool CliObserver::Interrupted() const { return interruptRequested != 0; }

void CliObserver::showProgress(const QString &caption)
{
    ShowProgressLine(caption);
    m_lastProgressTicks = TickCount();
}

void CliObserver::FinishProgress() { EndProgressLine(); }

void CliObserver::FolderSkipped(const QByteArray &path, const QString &reason)
{
    ReportError(QStringLiteral("skipped %1: %2").arg(QString::fromLocal8Bit(path), reason));
}
