#include "engine/store/contenthash.h"

#include "engine/base/lazylibrary.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace
{

#define QUORVANE_CRYPTO_FUNCTIONS(X)                                                                                   \
    X(OPENSSL_init_crypto)                                                                                             \
    X(EVP_MD_fetch)                                                                                                    \
    X(EVP_Digest)                                                                                                      \
    X(EVP_MD_CTX_new)                                                                                                  \
    X(EVP_MD_CTX_free)                                                                                                 \
    X(EVP_DigestInit_ex)                                                                                               \
    X(EVP_DigestUpdate)                                                                                                \
    X(EVP_DigestFinal_ex)

struct TCryptoApi {
    QUORVANE_CRYPTO_FUNCTIONS(QUORVANE_LAZY_MEMBER)
};

bool resolveCrypto(void *library, TCryptoApi &api) { return true QUORVANE_CRYPTO_FUNCTIONS(QUORVANE_LAZY_RESOLVE); }

struct TSha256 {
    const TCryptoApi *Api = nullptr;
    EVP_MD *Digest = nullptr;
};

// Fetched once: looking the algorithm up costs more than hashing a store entry. The system's
// OpenSSL configuration has nothing for a digest, so it is not read.
const TSha256 &sha256()
{
    static const TSha256 loadedOnce = [] {
        TSha256 loaded { LoadedApi(QUORVANE_LIBCRYPTO_FILE, resolveCrypto) };
        if (loaded.Api) {
            loaded.Api->OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
            loaded.Digest = loaded.Api->EVP_MD_fetch(nullptr, "SHA256", nullptr);
        }
        return loaded;
    }();
    if (!loadedOnce.Api)
        throw std::runtime_error("SHA-256: " QUORVANE_LIBCRYPTO_FILE " cannot be loaded");
    return loadedOnce;
}

[[noreturn]] void failedDigest() { throw std::runtime_error("SHA-256: " QUORVANE_LIBCRYPTO_FILE " cannot compute it"); }

}

TContentHash HashContent(const QByteArray &bytes)
{
    const TSha256 &sha = sha256();
    TContentHash hash {};
    unsigned int length = 0;
    if (!sha.Digest
        || sha.Api->EVP_Digest(bytes.constData(), std::size_t(bytes.size()), hash.data(), &length, sha.Digest, nullptr)
            != 1
        || length != hash.size())
        failedDigest();
    return hash;
}

std::optional<TContentHash> HashFileContent(QIODevice &file)
{
    const TSha256 &sha = sha256();
    const auto freeContext = [&sha](EVP_MD_CTX *context) { sha.Api->EVP_MD_CTX_free(context); };
    const std::unique_ptr<EVP_MD_CTX, decltype(freeContext)> context(sha.Api->EVP_MD_CTX_new(), freeContext);
    if (!sha.Digest || !context || sha.Api->EVP_DigestInit_ex(context.get(), sha.Digest, nullptr) != 1)
        failedDigest();
    // A megabyte at a time: few reads for a picture, little memory for a file of any size.
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(piece.data(), piece.size());
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        if (sha.Api->EVP_DigestUpdate(context.get(), piece.constData(), std::size_t(got)) != 1)
            failedDigest();
    }
    TContentHash hash {};
    unsigned int length = 0;
    if (sha.Api->EVP_DigestFinal_ex(context.get(), hash.data(), &length) != 1 || length != hash.size())
        failedDigest();
    return hash;
}
