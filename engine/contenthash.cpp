#include "engine/contenthash.h"

#include <openssl/evp.h>

#include <new>

TContentHash HashContent(const QByteArray &bytes)
{
    // Fetched once: looking the algorithm up on every call cost more than hashing a store entry.
    static EVP_MD *const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    TContentHash hash {};
    unsigned int length = 0;
    if (!sha256 || EVP_Digest(bytes.constData(), std::size_t(bytes.size()), hash.data(), &length, sha256, nullptr) != 1
        || length != hash.size())
        throw std::bad_alloc();
    return hash;
}
