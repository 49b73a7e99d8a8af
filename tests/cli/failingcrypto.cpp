// A stand-in for libcrypto whose digest fails on the bytes of a JPEG file and gives some other
// fixed digest of anything else: a store opens and checks its entries, and hashing a picture fails.

#include <cstddef>
#include <cstdint>

#define QUORVANE_EXPORTED extern "C" __attribute__((visibility("default")))

QUORVANE_EXPORTED int OPENSSL_init_crypto(uint64_t, const void *) { return 1; }

QUORVANE_EXPORTED void *EVP_MD_fetch(void *, const char *, const char *)
{
    static char digest;
    return &digest;
}

QUORVANE_EXPORTED int EVP_Digest(
    const void *data, size_t count, unsigned char *md, unsigned int *size, const void *, void *)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
        return 0;
    constexpr unsigned int kDigestSize = 32;
    // FNV-1a, spread over the digest.
    uint64_t state = 14695981039346656037ULL;
    for (unsigned int at = 0; at < kDigestSize; ++at) {
        for (size_t i = at; i < count; i += kDigestSize)
            state = (state ^ bytes[i]) * 1099511628211ULL;
        md[at] = static_cast<unsigned char>(state >> 32);
    }
    *size = kDigestSize;
    return 1;
}

// Hashing piece by piece always fails.
QUORVANE_EXPORTED void *EVP_MD_CTX_new()
{
    static char context;
    return &context;
}

QUORVANE_EXPORTED void EVP_MD_CTX_free(void *) { }

QUORVANE_EXPORTED int EVP_DigestInit_ex(void *, const void *, void *) { return 0; }

QUORVANE_EXPORTED int EVP_DigestUpdate(void *, const void *, size_t) { return 0; }

QUORVANE_EXPORTED int EVP_DigestFinal_ex(void *, unsigned char *, unsigned int *) { return 0; }
