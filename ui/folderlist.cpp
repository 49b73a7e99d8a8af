#include "ui/folderdialog.h"
#include "ui/mainunit.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace
{
constexpr int kHintIndent = 7;
// The folder's path as the file system has it: a name need not be valid in any encoding, and
// the shown text would not give it back.
constexpr int kPathRole = Qt::UserRole;
// Set on the item of a reference folder; it moves with the item.
constexpr int kReferenceRole = Qt::UserRole + 1;

QByteArray WithTrailingDelimiter(const QByteArray &folder) { return folder.endsWith('/') ? folder : folder + '/'; }

// A dropped item's path, byte for byte as the file manager wrote it into the URL.
QByteArray LocalPath(const QUrl &url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

QByteArray FolderPath(const QListWidgetItem *item)
{
    const QByteArray path = item->data(kPathRole).toByteArray();
    return path.isEmpty() ? QFile::encodeName(item->text()) : path;
}
}

void TMainForm::AddFolderItem(const QByteArray &folder)
{
    auto *item = new QListWidgetItem(QFile::decodeName(folder));
    item->setData(kPathRole, folder);
    DirectoriesListBox->addItem(item);
}

// The folder a dropped path stands for: itself when it is a folder, else the folder it lies in.
QByteArray TMainForm::DroppedFolder(const QByteArray &path) const
{
    TFileStamp stamp;
    if (FileOperations->Stat(path, stamp) == 0 && stamp.IsFolder)
        return WithTrailingDelimiter(path);
    const qsizetype lastDelimiter = path.lastIndexOf('/');
    if (lastDelimiter < 0)
        return {};
    const QByteArray parent = path.left(lastDelimiter + 1);
    return FileOperations->Stat(parent, stamp) == 0 && stamp.IsFolder ? parent : QByteArray();
}

void TMainForm::LeaveHintState()
{
    if (!MainUnit.FolderHintShown)
        return;
    DirectoriesListBox->clear();
    DirectoriesListBox->setPalette(palette());
    DirectoriesListBox->setEnabled(true);
    MainUnit.FolderHintShown = false;
}

void TMainForm::EnterHintState(const QString &hint)
{
    QPalette grey = DirectoriesListBox->palette();
    grey.setColor(QPalette::Text, grey.color(QPalette::Disabled, QPalette::Text));
    DirectoriesListBox->setPalette(grey);
    DirectoriesListBox->addItems({ QString(), QString(), QString(kHintIndent, u' ') + hint });
    DirectoriesListBox->setEnabled(false);
    MainUnit.FolderHintShown = true;
}

void TMainForm::AddFolderButtonClick()
{
    AddFolderDialog->Caption = tr("添加要搜索的文件夹");
    if (!AddFolderDialog->Execute())
        return;
    LeaveHintState();
    AddFolderItem(WithTrailingDelimiter(QFile::encodeName(AddFolderDialog->Directory())));
}

void TMainForm::DropUrls(const QList<QUrl> &urls)
{
    LeaveHintState();
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QByteArray folder = DroppedFolder(LocalPath(url));
        if (!folder.isEmpty())
            AddFolderItem(folder);
    }
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    DropUrls(event->mimeData()->urls());
}

void TMainForm::RemoveFolderButtonClick()
{
    if (MainUnit.FolderHintShown)
        return;
    const int selected = SelectedFolderRow();
    if (selected >= 0)
        delete DirectoriesListBox->takeItem(selected);
    if (DirectoriesListBox->count() == 0)
        EnterHintState(QStringLiteral("You can drag directories from the file manager"));
}

void TMainForm::MoveFolderUpButtonClick()
{
    if (MainUnit.FolderHintShown)
        return;
    const int selected = SelectedFolderRow();
    if (selected <= 0)
        return;
    DirectoriesListBox->insertItem(selected - 1, DirectoriesListBox->takeItem(selected));
    DirectoriesListBox->setCurrentRow(selected - 1);
}

void TMainForm::MoveFolderDownButtonClick()
{
    if (MainUnit.FolderHintShown)
        return;
    const int selected = SelectedFolderRow();
    if (selected < 0 || selected >= DirectoriesListBox->count() - 1)
        return;
    DirectoriesListBox->insertItem(selected + 1, DirectoriesListBox->takeItem(selected));
    DirectoriesListBox->setCurrentRow(selected + 1);
}

void TMainForm::ClearDirectoriesButtonClick()
{
    if (MainUnit.FolderHintShown)
        return;
    DirectoriesListBox->clear();
    EnterHintState(tr("您可以从文件管理器中拖动目录"));
}

void TMainForm::DirectoriesListBoxKeyDown(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Delete)
        return;
    const int selected = SelectedFolderRow();
    if (selected >= 0)
        delete DirectoriesListBox->takeItem(selected);
}

void TMainForm::Label1Click() { ScanSubfoldersCheckBox->setChecked(!ScanSubfoldersCheckBox->isChecked()); }

int TMainForm::SelectedFolderRow() const
{
    const QList<QListWidgetItem *> selected = DirectoriesListBox->selectedItems();
    return selected.isEmpty() ? -1 : DirectoriesListBox->row(selected.first());
}

std::vector<QByteArray> TMainForm::ReferenceFolders() const { return FoldersOfList(true); }

void TMainForm::UseAsReferenceFolder(bool reference)
{
    const int selected = SelectedFolderRow();
    if (MainUnit.FolderHintShown || selected < 0)
        return;
    QListWidgetItem *item = DirectoriesListBox->item(selected);
    item->setData(kReferenceRole, reference);
    item->setIcon(reference ? QIcon(QStringLiteral(":/icons/reference.svg")) : QIcon());
    item->setToolTip(reference ? tr("参考文件夹：其中的图片参与比较，但不会被标记、移动或删除") : QString());
}

void TMainForm::ShowFolderMenu(const QPoint &position)
{
    QListWidgetItem *item = DirectoriesListBox->itemAt(position);
    if (MainUnit.FolderHintShown || !item)
        return;
    DirectoriesListBox->setCurrentItem(item);
    UseAsReferenceFolder1->setChecked(item->data(kReferenceRole).toBool());
    QMenu menu(this);
    menu.addAction(UseAsReferenceFolder1);
    menu.exec(DirectoriesListBox->viewport()->mapToGlobal(position));
}

std::vector<QByteArray> TMainForm::ListedFolders() const { return FoldersOfList(false); }

std::vector<QByteArray> TMainForm::FoldersOfList(bool referenceOnly) const
{
    std::vector<QByteArray> folders;
    if (MainUnit.FolderHintShown)
        return folders;
    for (int row = 0; row < DirectoriesListBox->count(); ++row) {
        const QListWidgetItem *item = DirectoriesListBox->item(row);
        if (!referenceOnly || item->data(kReferenceRole).toBool())
            folders.push_back(FolderPath(item));
    }
    return folders;
}
