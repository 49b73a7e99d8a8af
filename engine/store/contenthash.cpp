#include "engine/store/contenthash.h"

#include "engine/base/lazylibrary.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <stdexcept>

namespace
{

#define QUORVANE_CRYPTO_FUNCTIONS(X)                                                                                   \
    X(OPENSSL_init_crypto)                                                                                             \
    X(EVP_MD_fetch)                                                                                                    \
    X(EVP_Digest)

struct TCryptoApi {
    QUORVANE_CRYPTO_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveCrypto(void *library, TCryptoApi &api) { return true QUORVANE_CRYPTO_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

struct TSha256 {
    const TCryptoApi *Api = nullptr;
    EVP_MD *Digest = nullptr;
};

}

TContentHash HashContent(const QByteArray &bytes)
{
    // Fetched once: looking the algorithm up costs more than hashing a store entry. The system's
    // OpenSSL configuration has nothing for a digest, so it is not read.
    static const TSha256 sha256 = [] {
        TSha256 loaded { LoadedApi(QUORVANE_LIBCRYPTO_FILE, resolveCrypto) };
        if (loaded.Api) {
            loaded.Api->OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
            loaded.Digest = loaded.Api->EVP_MD_fetch(nullptr, "SHA256", nullptr);
        }
        return loaded;
    }();
    if (!sha256.Api)
        throw std::runtime_error("SHA-256: " QUORVANE_LIBCRYPTO_FILE " cannot be loaded");
    TContentHash hash {};
    unsigned int length = 0;
    if (!sha256.Digest
        || sha256.Api->EVP_Digest(
               bytes.constData(), std::size_t(bytes.size()), hash.data(), &length, sha256.Digest, nullptr)
            != 1
        || length != hash.size())
        throw std::runtime_error("SHA-256: " QUORVANE_LIBCRYPTO_FILE " cannot compute it");
    return hash;
}
