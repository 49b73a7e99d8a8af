#pragma once

#include "engine/base/catalogue.h"
#include "engine/base/searchobserver.h"

#include <optional>
#include <utility>

// The command-line front end of a search: the listed folders and the subfolder option come from
// the options, Ctrl+C requests a stop at the next pump, and progress (pictures done, pairs found,
// time and rate, read from the catalogue) goes to standard error as one rewritten line when that
// is a terminal.
class CliObserver : public TSearchObserver
{
public:
    CliObserver(TCatalogue &catalogue, std::vector<QByteArray> folders, bool scanSubfolders, bool quiet);
    ~CliObserver() override;
    CliObserver(const CliObserver &) = delete;
    CliObserver &operator=(const CliObserver &) = delete;

    void Pump() override;
    void SignaturesCountChanged(int32_t fromStore, int32_t decoded) override;
    bool ScanSubfolders() const override { return m_scanSubfolders; }
    std::vector<QByteArray> ListedFolders() const override { return m_folders; }
    void FolderSkipped(const QByteArray &path, const QString &reason) override;

    // Whether Ctrl+C arrived since this observer was made.
    bool Interrupted() const;
    // Ends the progress line, so that later messages start on a line of their own.
    void FinishProgress();

private:
    QString progressText() const;
    void showProgress(const QString &caption);

    TCatalogue &m_catalogue;
    std::vector<QByteArray> m_folders;
    bool m_scanSubfolders;
    bool m_showProgress;
    uint32_t m_startTicks;
    uint32_t m_lastProgressTicks = 0;
    // Nothing while the search runs without the store.
    std::optional<std::pair<int32_t, int32_t>> m_signedCounts;
};
