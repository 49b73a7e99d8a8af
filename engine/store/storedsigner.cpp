#include "engine/store/storedsigner.h"

#include "engine/base/picturedecoder.h"
#include "engine/base/rawpathfile.h"
#include "engine/base/wholefileread.h"
#include "engine/sign/decoding.h"

#include <QFile>

#include <ctime>

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>

namespace
{

using TClock = std::chrono::steady_clock;

// A decode this close to the time limit might have been skipped on a busier machine.
constexpr std::chrono::milliseconds kDecodeTimeMargin { 500 };

// Local file systems whose status-change time no program can set back.
constexpr long kChangeTimeFileSystems[] = { EXT4_SUPER_MAGIC, XFS_SUPER_MAGIC, BTRFS_SUPER_MAGIC, TMPFS_MAGIC,
    F2FS_SUPER_MAGIC, OVERLAYFS_SUPER_MAGIC, 0x2fc12fc1 /* ZFS */, 0xca451a4e /* bcachefs */ };

int64_t nanoseconds(const timespec &time) { return int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec; }

TFileIdentity identityOf(const struct stat &status)
{
    return { uint64_t(status.st_dev), uint64_t(status.st_ino), int64_t(status.st_size), nanoseconds(status.st_mtim),
        nanoseconds(status.st_ctim) };
}

// Whether `path` still reaches the file of `identity`, as a second link does.
bool namesFile(const QByteArray &path, const TFileIdentity &identity)
{
    struct stat status {
    };
    return ::stat(path.constData(), &status) == 0 && uint64_t(status.st_dev) == identity.Device
        && uint64_t(status.st_ino) == identity.Inode;
}

// The file system's clock as it stamps changes, which may lag the precise clock by a tick.
int64_t coarseNow()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return nanoseconds(now);
}

struct TReadFile {
    QByteArray Bytes;
    TFileIdentity Identity;
    // The file stayed as it was while it was read.
    bool Steady = false;
    // The coarse clock just before the file's status was read.
    int64_t ReadAt = 0;
};

std::optional<TReadFile> readFile(const QByteArray &path)
{
    QFile file;
    if (!OpenForReading(file, path))
        return std::nullopt;
    TReadFile read;
    read.ReadAt = coarseNow();
    struct stat before {
    };
    if (::fstat(file.handle(), &before) != 0 || ReadWholeFile(file, read.Bytes) != TWholeFileRead::Read)
        return std::nullopt;
    struct stat after {
    };
    if (::fstat(file.handle(), &after) != 0)
        return std::nullopt;
    read.Identity = identityOf(before);
    read.Steady = identityOf(after) == read.Identity && read.Bytes.size() == before.st_size;
    return read;
}

// A skipped picture has no signature to carry the hash.
void attachHash(std::optional<TPictureSignature> &signature, const TContentHash &hash)
{
    if (signature)
        signature->ContentHash = hash;
}

}

TStoredSigner::TStoredSigner(std::shared_ptr<TSignatureStore> store, std::chrono::milliseconds maxDecodeTime)
    : m_store(std::move(store))
    , m_maxDecodeTime(maxDecodeTime)
{
}

bool TStoredSigner::keepsChangeTimes(uint64_t device, const QByteArray &path)
{
    std::lock_guard lock(m_mutex);
    const auto known = m_trustedDevices.find(device);
    if (known != m_trustedDevices.end())
        return known->second;
    struct statfs fileSystem {
    };
    bool keeps = false;
    if (::statfs(path.constData(), &fileSystem) == 0) {
        for (const long type : kChangeTimeFileSystems)
            keeps = keeps || long(fileSystem.f_type) == type;
    }
    m_trustedDevices.emplace(device, keeps);
    return keeps;
}

std::optional<TPictureSignature> TStoredSigner::Sign(const QByteArray &path, const TSettings &settings)
{
    std::optional<TPictureSignature> signature;
    // What a stored result answers for includes the decoder: the same bytes under another
    // extension may be read by another decoder, or refused. A file no decoder knows is not read.
    const TPictureDecoder decoder = DecoderOf(path);
    if (decoder == TPictureDecoder::None)
        return signature;
    if (!m_store->IsUsable()) {
        ++m_decoded;
        return Decoding().SignPicture(path, settings);
    }
    struct stat status {
    };
    // Identities are only ever recorded on such file systems; checking again here keeps a device
    // number reused by another kind of file system from matching a record.
    if (::stat(path.constData(), &status) == 0 && keepsChangeTimes(uint64_t(status.st_dev), path)) {
        const TFileIdentity identity = identityOf(status);
        const std::optional<TRecordedContent> recorded = m_store->FindByIdentity(path, identity, decoder);
        if (recorded && ReuseSignedContent(recorded->Content, settings, signature)) {
            ++m_fromStore;
            attachHash(signature, recorded->Hash);
            // The identity was trusted when it was recorded for the other path, and is the same.
            if (!recorded->OtherPath.isEmpty())
                m_store->Record(path, identity, recorded->Hash, identity.Size, decoder, std::nullopt,
                    namesFile(recorded->OtherPath, identity) ? QByteArray() : recorded->OtherPath);
            return signature;
        }
    }
    ++m_hashed;
    const std::optional<TReadFile> file = readFile(path);
    if (!file) {
        ++m_decoded;
        return Decoding().SignPicture(path, settings);
    }
    const TContentHash hash = HashContent(file->Bytes);
    const int64_t size = file->Bytes.size();
    // A change stamped within the clock tick of the read could be followed by another one with
    // the same times, so such an identity is not kept.
    std::optional<TFileIdentity> identity;
    if (file->Steady && file->Identity.CTimeNs < file->ReadAt && file->Identity.MTimeNs < file->ReadAt
        && keepsChangeTimes(file->Identity.Device, path))
        identity = file->Identity;
    const std::optional<TSignedContent> stored = m_store->FindByContent(hash, size, decoder);
    if (stored && ReuseSignedContent(*stored, settings, signature)) {
        ++m_fromStore;
        attachHash(signature, hash);
        m_store->Record(path, identity, hash, size, decoder, std::nullopt);
        return signature;
    }
    const TClock::time_point start = TClock::now();
    const TSignedContent content = Decoding().SignContent(path, file->Bytes, settings);
    ++m_decoded;
    ReuseSignedContent(content, settings, signature);
    attachHash(signature, hash);
    if (TClock::now() - start + kDecodeTimeMargin < m_maxDecodeTime)
        m_store->Record(path, identity, hash, size, decoder, content);
    return signature;
}
