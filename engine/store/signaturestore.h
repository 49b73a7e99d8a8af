#pragma once

#include "engine/base/picturedecoder.h"
#include "engine/sign/signature.h"
#include "engine/store/contenthash.h"
#include "engine/store/signingrecipe.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct sqlite3;

// Which file a path names and in which state: equal identities mean the file has not been
// written, replaced or had its status changed since.
struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t MTimeNs = 0;
    int64_t CTimeNs = 0;
    friend bool operator==(const TFileIdentity &, const TFileIdentity &) = default;
};

// A stored result found by a file's identity.
struct TRecordedContent {
    TSignedContent Content;
    TContentHash Hash {};
    // The path the identity was recorded for when that is not the path looked up: the file was
    // renamed, moved or reached through another link since.
    QByteArray OtherPath;
};

// Why a store was set aside, or what happened to it on opening.
enum class TStoreProblem {
    None,
    // Found corrupt: moved aside, and a fresh store started in its place.
    Corrupt,
    Locked,
    ReadOnly,
    Full,
    // Written by a newer version of the program; left untouched.
    Newer,
    Other,
};

// Signatures kept between searches in one SQLite file (WAL journal): one entry per signed file
// content, keyed by its size and hash, by the recipe that signed it (its decoder's DecoderRecipe,
// so that a change to one decoder leaves the others' entries valid) and by the decoder that read
// it (a JPEG named .png is refused by the PNG decoder, not by the JPEG one), and the identity of
// every path that content was last seen at. Every entry and path record carries a checksum that
// ties it to its key; one that does not match counts as damage. Lookups may come from any thread;
// new entries are queued and written in batched transactions by the store's own writer thread.
// Several processes may share one file. A store that fails is set aside for the rest of its life,
// and lookups then find nothing and records are dropped. Nothing here throws, except the
// constructor and the lookups when SHA-256 cannot be computed (HashContent).
class TSignatureStore
{
public:
    // Opens the store at `file` (raw file-name bytes), creating it and its folder when missing. A
    // file that Refusal refuses is set aside untouched (problem Other); a store of this program
    // found corrupt is moved aside (to FILE.corrupt-TIME) and a fresh store started.
    explicit TSignatureStore(QByteArray file, QByteArray recipe = SigningRecipe());
    // Writes what is queued, then closes the file; a store found corrupt meanwhile is moved aside.
    ~TSignatureStore();
    TSignatureStore(const TSignatureStore &) = delete;
    TSignatureStore &operator=(const TSignatureStore &) = delete;

    // $XDG_CACHE_HOME/Quorvane/signatures.sqlite, or below ~/.cache when that is not set.
    static QByteArray DefaultFile();

    // Why `file` may not be opened as a store, nor moved aside when corrupt, in a few words ("it is
    // a folder"); empty when it may: it does not exist, is empty, or is an SQLite database marked
    // as a store of this program, or, unmarked, holds no tables or only a store's (stores made
    // before the mark). Looks without locking or changing anything, and opens no special file.
    static QString Refusal(const QByteArray &file);

    const QByteArray &File() const { return m_file; }
    bool IsUsable() const;
    // What went wrong, None while all is well.
    TStoreProblem Problem() const;

    // The content last recorded for `path` when the file there still has exactly `identity`, or else
    // the content recorded for another path with exactly that identity, as `decoder` signed it.
    std::optional<TRecordedContent> FindByIdentity(
        const QByteArray &path, const TFileIdentity &identity, TPictureDecoder decoder);
    // The content of `size` bytes that hashes to `hash`, signed by `decoder` under this store's recipe.
    std::optional<TSignedContent> FindByContent(const TContentHash &hash, int64_t size, TPictureDecoder decoder);

    // Queues: the file at `path` holds the content `hash`/`size`, with `identity` when that may be
    // trusted later (nothing drops the path's record), and `content` when `decoder` signed it just
    // now. The record of `formerPath`, when given, goes: the file is no longer there.
    void Record(const QByteArray &path, std::optional<TFileIdentity> identity, const TContentHash &hash, int64_t size,
        TPictureDecoder decoder, std::optional<TSignedContent> content, const QByteArray &formerPath = {});
    // Queues the removal of entries that no search has seen for 90 days, except those of files on
    // devices that are not mounted now.
    void ExpireOldEntries();
    // Waits until everything queued so far is written (or dropped, when the store failed).
    void Flush();
    // Removes every entry and shrinks the file. Returns false when that failed.
    bool Empty();

    // Bytes the store takes on disk, its journal included.
    static int64_t SizeOnDisk(const QByteArray &file);

private:
    struct TPending;
    struct TConnection;

    void open();
    bool prepareSchema(sqlite3 *db);
    int switchToWal(sqlite3 *db);
    std::unique_ptr<TConnection> connect(bool writer);
    std::unique_ptr<TConnection> takeReader();
    void giveBack(std::unique_ptr<TConnection> reader);
    void writeLoop();
    bool writeBatch(const std::vector<TPending> &batch);
    // Sets the store aside after SQLite answered `code`, once.
    void fail(int code);
    void moveAside();
    void closeAll();

    const QByteArray m_file;
    // The recipe number of each decoder's entries, indexed by the decoder (DecoderRecipe).
    const std::array<int64_t, kPictureDecoderCount> m_recipes;
    int64_t recipeOf(TPictureDecoder decoder) const { return m_recipes[size_t(decoder)]; }
    mutable std::mutex m_mutex;
    TStoreProblem m_problem = TStoreProblem::None;
    bool m_usable = false;
    bool m_corrupt = false;
    std::vector<std::unique_ptr<TConnection>> m_readers;
    std::unique_ptr<TConnection> m_writer;
    std::condition_variable m_changed;
    std::vector<TPending> m_queue;
    bool m_writing = false;
    int m_flushWaiters = 0;
    bool m_stopping = false;
    std::thread m_writerThread;
};
