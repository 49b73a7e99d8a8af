#pragma once

#include "engine/sign/signature.h"
#include "engine/store/signaturestore.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

struct TSettings;

// Signs pictures through a signature store, giving exactly what SignPicture gives: a file whose
// identity matches its record, or the record of the path it had before a rename or move, takes the
// stored result without being opened; any other file is
// read whole and hashed, and content stored under that hash is taken without decoding; everything
// else is decoded and signed, and the result queued for the store. A decode that comes close to
// `maxDecodeTime` is not stored, as whether it ends in time depends on the machine's load.
// Safe to call from several threads at once.
class TStoredSigner
{
public:
    TStoredSigner(std::shared_ptr<TSignatureStore> store, std::chrono::milliseconds maxDecodeTime);

    std::optional<TPictureSignature> Sign(const QByteArray &path, const TSettings &settings);

    // Pictures taken from the store and pictures decoded, so far.
    int32_t FromStore() const { return m_fromStore.load(); }
    int32_t Decoded() const { return m_decoded.load(); }
    // Pictures read whole and hashed to look their content up, so far.
    int32_t Hashed() const { return m_hashed.load(); }

private:
    // Whether the file system of `device` (at `path`) keeps a status-change time that every write
    // and every change of times moves on, so that an unchanged identity proves unchanged content.
    bool keepsChangeTimes(uint64_t device, const QByteArray &path);

    const std::shared_ptr<TSignatureStore> m_store;
    const std::chrono::milliseconds m_maxDecodeTime;
    std::atomic<int32_t> m_fromStore { 0 };
    std::atomic<int32_t> m_decoded { 0 };
    std::atomic<int32_t> m_hashed { 0 };
    std::mutex m_mutex;
    std::unordered_map<uint64_t, bool> m_trustedDevices;
};
