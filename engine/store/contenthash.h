#pragma once

#include <QByteArray>
#include <QIODevice>

#include <array>
#include <cstdint>
#include <optional>

// SHA-256 of a file's whole content: the key under which its signature is stored.
using TContentHash = std::array<uint8_t, 32>;

// SHA-256 of `bytes` (OpenSSL's, which uses the processor's SHA instructions where there are any).
// libcrypto is opened on the first call. Throws std::runtime_error when it cannot be opened or
// fails to compute the digest: an error that ends a search, never taken for a picture's lack of
// memory and skipped.
TContentHash HashContent(const QByteArray &bytes);

// SHA-256 of what is left to read of `file`, read piece by piece, so that a file of any size is
// hashed in little memory; the same as HashContent of those bytes. Nothing when reading fails.
// Throws as HashContent does.
std::optional<TContentHash> HashFileContent(QIODevice &file);
