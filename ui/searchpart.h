#pragma once

#include "engine/compare/processing.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;
struct TCatalogue;
struct TSettings;

// The widgets the search reads from and reports on; the window creates and lays them out.
struct TSearchWidgets {
    QWidget *Window = nullptr;
    QPushButton *Start = nullptr;
    QAction *StartAction = nullptr;
    QCheckBox *ScanSubfolders = nullptr;
    QWidget *CentralPanel = nullptr;
    // Covers the preview while a search runs, with the progress lines on it.
    QWidget *SearchPanel = nullptr;
    QLabel *FilesCount = nullptr;
    QLabel *CurrentDuplicatesFound = nullptr;
    QLabel *Time = nullptr;
    QLabel *SignaturesCount = nullptr;
    // The summary under the list, filled when a search ends.
    QLabel *ScannedCount = nullptr;
    QLabel *DuplicatesFound = nullptr;
    QLabel *DiskUsage = nullptr;
    QTimer *Timer = nullptr;
    QAction *EmptyStore = nullptr;
    // What a person may not use while a search runs.
    std::vector<QWidget *> Controls;
    std::vector<QAction *> Actions;
};

// Running a search from the window: starting and stopping it, the searching and idle states, the
// progress lines and the summary, and the signature store's menu entry.
class TSearchPart : public QObject
{
    Q_OBJECT

public:
    // `processing` is the window's, which a test may change after the window is made.
    TSearchPart(const TSearchWidgets &widgets, TCatalogue &catalogue, const TSettings &settings,
        const TProcessingOptions &processing, std::function<std::vector<QByteArray>()> listedFolders,
        std::function<std::vector<QByteArray>()> referenceFolders, QObject *parent);

    // Starts a search when none runs, else asks the running one to stop.
    void StartOrStop();
    void Run();
    void SetSearchingState();
    void SetIdleState();
    void ShowElapsedTime();
    void LayOutProgress();
    void UpdateEmptyStoreCaption();
    void EmptyStore();
    // From here on a running search leaves the window's results alone: they are being torn down.
    void WindowClosing() { m_windowClosed = true; }
    bool WindowClosed() const { return m_windowClosed; }

signals:
    void FilesCountChanged(const QString &caption);
    void DuplicatesFoundChanged(const QString &caption);
    void SignaturesCountChanged(const QString &caption);
    // The preview and the list follow the search through these.
    void SearchingStateEntered();
    void IdleStateEntered();
    void ResultsEmptied();
    // The results of a search that just ended, however it ended, are in the catalogue: `rows` pairs.
    void ResultsReplaced(int rows);
    // The search ended normally with pairs to review.
    void FirstPairReady();

private:
    void SetControlsEnabled(bool enabled);

    TSearchWidgets m_widgets;
    TCatalogue &m_catalogue;
    const TSettings &m_settings;
    const TProcessingOptions &m_processing;
    std::function<std::vector<QByteArray>()> m_listedFolders;
    std::function<std::vector<QByteArray>()> m_referenceFolders;
    bool m_windowClosed = false;
};
