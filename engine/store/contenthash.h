#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

// SHA-256 of a file's whole content: the key under which its signature is stored.
using TContentHash = std::array<uint8_t, 32>;

// SHA-256 of `bytes` (OpenSSL's, which uses the processor's SHA instructions where there are any).
// libcrypto is opened on the first call. Throws std::runtime_error when it cannot be opened or
// fails to compute the digest: an error that ends a search, never taken for a picture's lack of
// memory and skipped.
TContentHash HashContent(const QByteArray &bytes);
