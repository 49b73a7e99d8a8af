#pragma once

#include <QByteArray>

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <vector>

// Which device and inode a folder is, and whether it is the root of a mounted file system
// (nothing when the kernel cannot tell).
struct TFolderIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    std::optional<bool> MountRoot;
    friend bool operator==(const TFolderIdentity &a, const TFolderIdentity &b)
    {
        return a.Device == b.Device && a.Inode == b.Inode;
    }
};

// Identity of the folder at `path` (links followed); nothing when it cannot be reached.
std::optional<TFolderIdentity> IdentifyFolder(const QByteArray &path);

// One folder read once, its entries sorted by name in byte order. Links are followed to tell
// files from folders; anything else (FIFOs, sockets, devices, dangling links) is kept as Other
// and never opened. A folder on a pseudo file system (see IsOnPseudoFileSystem) is treated as
// one that cannot be read. The folder stays open, so that entries are looked up relative to it, until
// close() or destruction.
class TFolderListing
{
public:
    enum class Kind { File, Folder, Other };
    struct Entry {
        QByteArray Name;
        Kind Type;
    };

    // Opens and reads `path`; a folder that cannot be read gives isOpen() false and no entries.
    explicit TFolderListing(const QByteArray &path);
    ~TFolderListing();
    TFolderListing(const TFolderListing &) = delete;
    TFolderListing &operator=(const TFolderListing &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // The errno value of a failed open; 0 when the folder was opened.
    int openError() const { return m_openError; }
    const TFolderIdentity &identity() const { return m_identity; }
    const std::vector<Entry> &entries() const { return m_entries; }

    // Status of an entry, links followed; nothing when it vanished or the folder is closed.
    std::optional<struct stat> status(const QByteArray &name) const;
    // Whether the user may write an entry of this folder with that status, judged from its owner,
    // group and mode bits and whether the file system is mounted read-only (access control
    // lists are not consulted: asking the kernel would cost a call per file).
    bool writable(const struct stat &status) const;

    void close();

private:
    int m_fd = -1;
    int m_openError = 0;
    TFolderIdentity m_identity;
    bool m_readOnlyFileSystem = false;
    std::vector<Entry> m_entries;
};
