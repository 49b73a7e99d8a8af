#include "engine/contenthash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <new>

TContentHash HashContent(const QByteArray &bytes)
{
    // Fetched once: looking the algorithm up on every call cost more than hashing a store entry.
    // The system's OpenSSL configuration has nothing for a digest and took a millisecond to read.
    static EVP_MD *const sha256 = [] {
        OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
        return EVP_MD_fetch(nullptr, "SHA256", nullptr);
    }();
    TContentHash hash {};
    unsigned int length = 0;
    if (!sha256 || EVP_Digest(bytes.constData(), std::size_t(bytes.size()), hash.data(), &length, sha256, nullptr) != 1
        || length != hash.size())
        throw std::bad_alloc();
    return hash;
}
