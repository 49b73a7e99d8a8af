#include "engine/collect/trashfolders.h"

#include "engine/collect/folderlisting.h"

#include <unistd.h>

namespace
{

const QByteArray kSharedTrash(".Trash/");

QByteArray parentFolder(const QByteArray &folder)
{
    const qsizetype slash = folder.lastIndexOf('/', folder.size() - 2);
    return slash < 0 ? QByteArray("/") : folder.left(slash + 1);
}

bool isInside(const QByteArray &folder, const QByteArray &container)
{
    return !container.isEmpty() && folder.startsWith(container);
}

}

QByteArray ChooseRecycleFolderName() { return ".Trash-" + QByteArray::number(getuid()) + '/'; }

QByteArray MountPointOf(const QByteArray &folder)
{
    QByteArray candidate = folder;
    auto identity = IdentifyFolder(candidate);
    while (identity && candidate.size() > 1) {
        if (identity->MountRoot.value_or(false))
            return candidate;
        const QByteArray parent = parentFolder(candidate);
        const auto parentIdentity = IdentifyFolder(parent);
        // Without the kernel's mount-root flag, a change of device marks the mount point.
        if (!parentIdentity || (!identity->MountRoot && parentIdentity->Device != identity->Device))
            return candidate;
        candidate = parent;
        identity = parentIdentity;
    }
    return identity ? candidate : QByteArray("/");
}

bool FolderIsInTrash(const QByteArray &folder, const QByteArray &mountPoint, const QByteArray &recycleFolderName,
    const QByteArray &homeTrash)
{
    const bool inRecycleFolder = !recycleFolderName.isEmpty() && isInside(folder, mountPoint + recycleFolderName);
    return inRecycleFolder || isInside(folder, mountPoint + kSharedTrash) || isInside(folder, homeTrash);
}
