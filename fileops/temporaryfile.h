#pragma once

#include <QByteArray>

#include <sys/types.h>

// Pieces shared by the writers that put a file in place through a temporary name. Paths are raw
// file-name bytes; errors are errno values.

// Writes all of `data`, going on after partial writes and interruptions; returns 0 or errno.
int WriteAll(int fd, const char *data, ssize_t size);

// The folder part of `path` with its trailing "/"; "./" for a bare name.
QByteArray FolderOf(const QByteArray &path);

// Opens a new file for writing under a name no one else uses in `folder` (which ends with "/"),
// created with `mode` less the umask. Returns the descriptor, with the name in `name`, or -errno.
int CreateTemporaryIn(const QByteArray &folder, mode_t mode, QByteArray &name);
