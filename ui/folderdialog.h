#pragma once

#include <QByteArray>
#include <QFlags>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

class QWidget;

// Where the folder picker opens.
enum TDialogPosition { fdpDefault, fdpScreenCenter, fdpXY };

// Picker options, with the flag values the component has always stored.
enum TOptions : unsigned {
    fdoBrowseForComputer = 0x1000,
    fdoBrowseForPrinter = 0x2000,
    fdoDontgoBelowDomain = 0x0002,
    fdoReturnFSAncestors = 0x0008,
    fdoReturnOnlyFSDirs = 0x0001,
    fdoStatusText = 0x0004,
    fdoNewDialogStyle = 0x0040,
    fdoNoNewFolderButton = 0x0200,
    fdoEditBox = 0x0010,
};
Q_DECLARE_FLAGS(TFolderOptions, TOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFolderOptions)

// A folder picker configured through properties and run with Execute(), which leaves the chosen
// folder in Directory. Directory carries over between runs, so each run starts at the last choice.
class TFolderDialog : public QObject
{
    Q_OBJECT

public:
    explicit TFolderDialog(QObject *owner = nullptr);

    QString Caption;

    QString Title() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }
    QString Directory() const { return m_directory; }
    void SetDirectory(const QString &directory) { m_directory = directory; }
    int ImageIndex() const { return m_imageIndex; }
    TFolderOptions Options() const { return m_options; }
    void SetOptions(TFolderOptions options) { m_options = options; }
    TDialogPosition DialogPosition() const { return m_dialogPosition; }
    void SetDialogPosition(TDialogPosition position) { m_dialogPosition = position; }
    int DialogX() const { return m_dialogX; }
    void SetDialogX(int x) { m_dialogX = x; }
    int DialogY() const { return m_dialogY; }
    void SetDialogY(int y) { m_dialogY = y; }
    QString Version() const;
    // The version is fixed; assigning it is accepted and changes nothing.
    void SetVersion(const QString &) { }

    // Runs the picker; true when a folder was chosen, which is then in Directory. A cancel
    // leaves Directory as it was.
    bool Execute();
    // Runs the picker under `caption`; the chosen folder in the file system's encoding, ending
    // with "/", or nothing on a cancel.
    std::optional<QByteArray> PickFolder(const QString &caption);

    // Top-left corner of a picker of `dialogSize` by the placement rule, given the owner's outer
    // frame and the desktop.
    QPoint DialogTopLeft(const QSize &dialogSize, const QRect &ownerFrame, const QRect &desktop) const;

private:
    QWidget *OwnerWindow() const;

    QString m_title;
    QString m_directory;
    TFolderOptions m_options = fdoNewDialogStyle;
    int m_imageIndex = 0;
    int m_dialogX = 0;
    int m_dialogY = 0;
    TDialogPosition m_dialogPosition = fdpDefault;
};
