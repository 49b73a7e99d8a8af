#include "engine/contenthash.h"

#include <openssl/evp.h>

#include <new>

TContentHash HashContent(const QByteArray &bytes)
{
    TContentHash hash {};
    unsigned int length = 0;
    if (EVP_Digest(bytes.constData(), std::size_t(bytes.size()), hash.data(), &length, EVP_sha256(), nullptr) != 1
        || length != hash.size())
        throw std::bad_alloc();
    return hash;
}
