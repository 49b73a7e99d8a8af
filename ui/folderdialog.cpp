#include "ui/folderdialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QScreen>
#include <QWidget>

namespace
{
constexpr uint32_t kComponentVersion = 0x01010002;
constexpr int kDefaultOffset = 20;
}

TFolderDialog::TFolderDialog(QObject *owner)
    : QObject(owner)
    , m_directory(QDir::currentPath())
{
}

QString TFolderDialog::Version() const
{
    QStringList parts;
    for (int shift = 24; shift >= 0; shift -= 8)
        parts << QString::number((kComponentVersion >> shift) & 0xFF);
    return parts.join(QLatin1Char('.'));
}

QWidget *TFolderDialog::OwnerWindow() const
{
    if (auto *widget = qobject_cast<QWidget *>(parent()))
        return widget->window();
    return QApplication::activeWindow();
}

QPoint TFolderDialog::DialogTopLeft(const QSize &dialogSize, const QRect &ownerFrame, const QRect &desktop) const
{
    switch (m_dialogPosition) {
    case fdpScreenCenter:
        return { desktop.width() / 2 - dialogSize.width() / 2, desktop.height() / 2 - dialogSize.height() / 2 };
    case fdpXY:
        return { std::max(m_dialogX, 0), std::max(m_dialogY, 0) };
    case fdpDefault:
        break;
    }
    return ownerFrame.topLeft() + QPoint(kDefaultOffset, kDefaultOffset);
}

bool TFolderDialog::Execute()
{
    QWidget *owner = OwnerWindow();
    if (!QFileInfo(m_directory).isDir())
        m_directory = QDir::currentPath();

    // Qt's own dialog, since a platform dialog cannot be placed.
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setDirectory(m_directory);
    if (!Caption.isEmpty())
        dialog.setWindowTitle(Caption);
    if (!m_title.isEmpty())
        dialog.setLabelText(QFileDialog::LookIn, m_title);

    QRect desktop;
    for (QScreen *screen : QGuiApplication::screens())
        desktop = desktop.united(screen->geometry());
    const QRect ownerFrame = owner ? owner->frameGeometry() : QRect();
    dialog.move(DialogTopLeft(dialog.frameGeometry().size(), ownerFrame, desktop));

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || !QFileInfo(chosen.first()).isDir())
        return false;
    m_directory = QDir::cleanPath(chosen.first());
    return true;
}

std::optional<QByteArray> TFolderDialog::PickFolder(const QString &caption)
{
    Caption = caption;
    if (!Execute())
        return std::nullopt;
    QByteArray folder = QFile::encodeName(m_directory);
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}
