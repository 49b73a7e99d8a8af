#include "engine/collect/folderlisting.h"

#include "engine/collect/pseudofilesystem.h"

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace
{

struct UserIdentity {
    uid_t user = ::geteuid();
    std::vector<gid_t> groups;

    UserIdentity()
    {
        const int count = ::getgroups(0, nullptr);
        groups.resize(std::size_t(std::max(count, 0)));
        if (count > 0)
            groups.resize(std::size_t(std::max(::getgroups(count, groups.data()), 0)));
        groups.push_back(::getegid());
    }

    bool inGroup(gid_t group) const { return std::find(groups.begin(), groups.end(), group) != groups.end(); }
};

const UserIdentity &currentUser()
{
    static const UserIdentity user;
    return user;
}

std::optional<TFolderIdentity> identityOf(int dirFd, const char *path, int flags)
{
    struct statx status {
    };
    if (statx(dirFd, path, flags, STATX_TYPE | STATX_INO, &status) != 0 || !S_ISDIR(status.stx_mode))
        return std::nullopt;
    TFolderIdentity identity;
    identity.Device = makedev(status.stx_dev_major, status.stx_dev_minor);
    identity.Inode = status.stx_ino;
    if (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        identity.MountRoot = (status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return identity;
}

TFolderListing::Kind kindOfStatus(mode_t mode)
{
    if (S_ISREG(mode))
        return TFolderListing::Kind::File;
    if (S_ISDIR(mode))
        return TFolderListing::Kind::Folder;
    return TFolderListing::Kind::Other;
}

}

std::optional<TFolderIdentity> IdentifyFolder(const QByteArray &path)
{
    return identityOf(AT_FDCWD, path.constData(), 0);
}

TFolderListing::TFolderListing(const QByteArray &path)
{
    // O_DIRECTORY refuses anything but a folder before opening it, so a FIFO never blocks here.
    m_fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        m_openError = errno;
        return;
    }
    const auto identity = identityOf(m_fd, "", AT_EMPTY_PATH);
    const int readFd = identity && !IsOnPseudoFileSystem(m_fd) ? ::dup(m_fd) : -1;
    DIR *folder = readFd >= 0 ? ::fdopendir(readFd) : nullptr;
    if (!folder) {
        if (readFd >= 0)
            ::close(readFd);
        close();
        return;
    }
    m_identity = *identity;
    struct statvfs fileSystem {
    };
    m_readOnlyFileSystem = ::fstatvfs(m_fd, &fileSystem) == 0 && (fileSystem.f_flag & ST_RDONLY);
    while (const dirent *entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        Kind type = Kind::Other;
        switch (entry->d_type) {
        case DT_REG:
            type = Kind::File;
            break;
        case DT_DIR:
            type = Kind::Folder;
            break;
        case DT_LNK:
        case DT_UNKNOWN:
            if (const auto target = status(name))
                type = kindOfStatus(target->st_mode);
            break;
        default:
            break;
        }
        m_entries.push_back({ name, type });
    }
    ::closedir(folder);
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) { return a.Name < b.Name; });
}

TFolderListing::~TFolderListing() { close(); }

std::optional<struct stat> TFolderListing::status(const QByteArray &name) const
{
    struct stat result {
    };
    if (m_fd < 0 || ::fstatat(m_fd, name.constData(), &result, 0) != 0)
        return std::nullopt;
    return result;
}

bool TFolderListing::writable(const struct stat &status) const
{
    const UserIdentity &user = currentUser();
    if (m_readOnlyFileSystem)
        return false;
    if (user.user == 0)
        return true;
    if (status.st_uid == user.user)
        return status.st_mode & S_IWUSR;
    if (user.inGroup(status.st_gid))
        return status.st_mode & S_IWGRP;
    return status.st_mode & S_IWOTH;
}

void TFolderListing::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
