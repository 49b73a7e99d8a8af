#include "engine/store/signaturestore.h"

#include "engine/collect/mounttable.h"
#include "engine/store/sqlitefile.h"
#include "fileops/fileoperations.h"
#include "fileops/temporaryfile.h"
#include "fileops/userfolders.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Raised when the tables change; a store of a higher version is left alone, one of a lower version
// starts afresh.
constexpr int kSchemaVersion = 3;
// Marks a store of this program in its database header ("QVNE"), so that no other program's
// database is ever taken for one, written into or moved aside.
constexpr int32_t kApplicationId = 0x51564e45;
// Every SQLite database file starts with these 16 bytes, NUL included.
constexpr QByteArrayView kSqliteMagic("SQLite format 3\0", 16);
// The database header and where it keeps the mark.
constexpr int kHeaderSize = 100;
constexpr int kApplicationIdOffset = 68;
// How long a lock held by another program is waited for before the store is set aside.
constexpr int kBusyTimeoutMs = 1000;
constexpr std::chrono::milliseconds kWalSwitchRetry { 5 };
constexpr int64_t kExpiryDays = 90;
constexpr int64_t kSecondsPerDay = 86400;
// The writer waits this long for more records before committing a small batch.
constexpr std::chrono::milliseconds kBatchGathering { 200 };
constexpr std::size_t kFullBatch = 256;
// A lookup may share a read transaction with the lookups before it for this long; records written
// meanwhile, by this search or another program, are seen after that at the latest.
constexpr std::chrono::milliseconds kSharedReadAge { 20 };
// As many as a search on two processors looks up at once; more are opened when asked for.
constexpr int kReadersOpenedAhead = 2;

// Set before anything can use SQLite, while the program is still one thread. Without memory
// statistics, SQLite's allocations skip the global mutex that every reader thread contended for.
[[maybe_unused]] const int kMemoryStatisticsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

const char *const kSchema = R"(
CREATE TABLE IF NOT EXISTS signatures(
    hash BLOB NOT NULL, size INTEGER NOT NULL, recipe INTEGER NOT NULL, decoder INTEGER NOT NULL,
    loaded INTEGER NOT NULL, scale INTEGER NOT NULL, wavelets INTEGER NOT NULL,
    height INTEGER NOT NULL, width INTEGER NOT NULL,
    prebuffer BLOB NOT NULL, pos BLOB NOT NULL, neg BLOB NOT NULL,
    checksum INTEGER NOT NULL, seen INTEGER NOT NULL, tpos BLOB NOT NULL, tneg BLOB NOT NULL,
    PRIMARY KEY(hash, size, recipe, decoder));
CREATE TABLE IF NOT EXISTS paths(
    path BLOB PRIMARY KEY, device INTEGER NOT NULL, inode INTEGER NOT NULL, size INTEGER NOT NULL,
    mtime INTEGER NOT NULL, ctime INTEGER NOT NULL, hash BLOB NOT NULL, checksum INTEGER NOT NULL,
    seen INTEGER NOT NULL) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS paths_by_inode ON paths(inode);
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);
)";

#define QUORVANE_CONTENT_COLUMNS                                                                                       \
    "s.loaded, s.scale, s.wavelets, s.height, s.width, s.prebuffer, s.pos, s.neg, s.checksum, s.tpos, s.tneg"

const char *const kFindByIdentity
    = "SELECT p.device, p.inode, p.size, p.mtime, p.ctime, p.seen, s.seen, p.hash, "
      "p.checksum, " QUORVANE_CONTENT_COLUMNS " FROM paths p JOIN signatures s ON s.hash = p.hash "
      "AND s.size = p.size AND s.recipe = ?2 AND s.decoder = ?3 WHERE p.path = ?1";
// The same file reached by another path: a renamed or moved folder keeps its files' identities.
const char *const kFindByInode
    = "SELECT p.path, p.hash, p.checksum, " QUORVANE_CONTENT_COLUMNS
      " FROM paths p JOIN signatures s ON s.hash = p.hash AND s.size = p.size AND s.recipe = ?6 "
      "AND s.decoder = ?7 WHERE p.inode = ?1 AND p.device = ?2 AND p.size = ?3 AND p.mtime = ?4 AND p.ctime = ?5 "
      "LIMIT 1";
const char *const kFindByContent
    = "SELECT " QUORVANE_CONTENT_COLUMNS " FROM signatures s WHERE s.hash = ?1 AND s.size = ?2 AND s.recipe = ?3 "
      "AND s.decoder = ?4";
// wavelets: 0 without the lists, 1 with them, 2 with the transposed lists too. A content signed
// with fewer lists never replaces one signed with more.
const char *const kUpsertSignature
    = "INSERT INTO signatures(hash, size, recipe, loaded, scale, wavelets, height, width, prebuffer, pos, neg, "
      "checksum, seen, tpos, tneg, decoder) "
      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16) ON CONFLICT DO UPDATE SET "
      "loaded = excluded.loaded, scale = excluded.scale, wavelets = excluded.wavelets, "
      "height = excluded.height, width = excluded.width, prebuffer = excluded.prebuffer, pos = excluded.pos, "
      "neg = excluded.neg, checksum = excluded.checksum, seen = excluded.seen, tpos = excluded.tpos, "
      "tneg = excluded.tneg WHERE excluded.wavelets >= signatures.wavelets";
const char *const kTouchSignature
    = "UPDATE signatures SET seen = ?4 WHERE hash = ?1 AND size = ?2 AND recipe = ?3 AND decoder = ?5";
const char *const kUpsertPath
    = "INSERT INTO paths(path, device, inode, size, mtime, ctime, hash, checksum, seen) "
      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) ON CONFLICT DO UPDATE SET device = excluded.device, "
      "inode = excluded.inode, size = excluded.size, mtime = excluded.mtime, ctime = excluded.ctime, "
      "hash = excluded.hash, checksum = excluded.checksum, seen = excluded.seen";
const char *const kTouchPath = "UPDATE paths SET seen = ?2 WHERE path = ?1";
const char *const kDeletePath = "DELETE FROM paths WHERE path = ?1";

int64_t today() { return QDateTime::currentSecsSinceEpoch() / kSecondsPerDay; }

QByteArray packPositions(const TWaveletCoefs &coefs)
{
    const int count = coefs.KeptCount();
    QByteArray packed(2 * count, Qt::Uninitialized);
    for (int j = 0; j < count; ++j) {
        const uint16_t position = coefs.PackedAt(j);
        packed[2 * j] = char(position & 0xff);
        packed[2 * j + 1] = char(position >> 8);
    }
    return packed;
}

bool unpackPositions(const void *data, int bytes, TWaveletCoefs &coefs)
{
    if (bytes % 2 != 0 || bytes / 2 > kSignatureSize)
        return false;
    const auto *packed = static_cast<const uint8_t *>(data);
    for (int j = 0; j < bytes / 2; ++j) {
        const int position = packed[2 * j] | packed[2 * j + 1] << 8;
        if (position == 0 || position >= kWorkBitmapSize * kWorkBitmapSize)
            return false;
        coefs.Set(j, { position / kWorkBitmapSize, position % kWorkBitmapSize });
    }
    return true;
}

// The first eight bytes of the digest of `bytes`, as SQLite stores whole numbers.
int64_t digestNumber(const QByteArray &bytes)
{
    const TContentHash digest = HashContent(bytes);
    int64_t number = 0;
    std::memcpy(&number, digest.data(), sizeof number);
    return number;
}

std::array<int64_t, kPictureDecoderCount> recipeNumbers(const QByteArray &recipe)
{
    std::array<int64_t, kPictureDecoderCount> numbers {};
    for (size_t decoder = 0; decoder < kPictureDecoderCount; ++decoder)
        numbers[decoder] = digestNumber(DecoderRecipe(recipe, TPictureDecoder(decoder)));
    return numbers;
}

// An entry's position lists, packed as they are stored; the transposed ones are empty unless kept.
struct TPackedLists {
    QByteArrayView Positive;
    QByteArrayView Negative;
    QByteArrayView TransposedPositive;
    QByteArrayView TransposedNegative;
};

// Ties an entry's result to its key, so that a damaged page is never read as a signature.
// `wavelets` is the entry's wavelets column.
int64_t entryChecksum(const TContentHash &hash, int64_t size, int64_t recipe, TPictureDecoder decoder, int64_t wavelets,
    const TSignedContent &content, const TPackedLists &lists)
{
    const TPictureSignature &signature = content.Signature;
    QByteArray text;
    text.reserve(qsizetype(hash.size()) + 180 + kPreBufferSize + lists.Positive.size() + lists.Negative.size()
        + lists.TransposedPositive.size() + lists.TransposedNegative.size());
    text.append(reinterpret_cast<const char *>(hash.data()), qsizetype(hash.size()));
    for (const int64_t number : { size, recipe, int64_t(decoder), int64_t(content.Loaded),
             int64_t(content.ScaleDenominator), wavelets, int64_t(signature.Height), int64_t(signature.Width) })
        text += QByteArray::number(qlonglong(number)) + ',';
    text.append(reinterpret_cast<const char *>(signature.PreBuffer.data()), kPreBufferSize);
    for (const QByteArrayView list :
        { lists.Positive, lists.Negative, lists.TransposedPositive, lists.TransposedNegative }) {
        text += list;
        text += '/';
    }
    return digestNumber(text);
}

// Ties a path's record to its identity and content, so that a damaged record never lends a file
// the result of another content.
int64_t pathChecksum(const QByteArray &path, const TFileIdentity &identity, const TContentHash &hash)
{
    // No path holds a zero byte, so it ends the path unambiguously.
    QByteArray text = path + '\0';
    for (const int64_t number :
        { int64_t(identity.Device), int64_t(identity.Inode), identity.Size, identity.MTimeNs, identity.CTimeNs })
        text += QByteArray::number(qlonglong(number)) + ',';
    text.append(reinterpret_cast<const char *>(hash.data()), qsizetype(hash.size()));
    return digestNumber(text);
}

// The devices of the file systems mounted now.
std::set<uint64_t> mountedDevices()
{
    std::set<uint64_t> devices;
    for (const TMountEntry &mount : ReadMountTable())
        devices.insert(mount.Device);
    return devices;
}

TStoreProblem problemOf(int code)
{
    if (code == SQLITE_IOERR_SHORT_READ)
        return TStoreProblem::Corrupt;
    switch (code & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return TStoreProblem::Corrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return TStoreProblem::Locked;
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return TStoreProblem::ReadOnly;
    case SQLITE_FULL:
        return TStoreProblem::Full;
    default:
        return TStoreProblem::Other;
    }
}

// Reads the content columns from `first` on; false when they do not hold a sound entry.
bool readContent(const TSqliteStatement &row, int first, const TContentHash &hash, int64_t size, int64_t recipe,
    TPictureDecoder decoder, TSignedContent &content)
{
    content.Loaded = row.Integer(first) != 0;
    content.ScaleDenominator = int(row.Integer(first + 1));
    const int64_t wavelets = row.Integer(first + 2);
    content.HasWavelets = wavelets >= 1;
    content.HasTransposedWavelets = wavelets >= 2;
    content.Signature.Height = int32_t(row.Integer(first + 3));
    content.Signature.Width = int32_t(row.Integer(first + 4));
    const QByteArrayView preBuffer = row.BlobView(first + 5);
    const QByteArrayView positive = row.BlobView(first + 6);
    const QByteArrayView negative = row.BlobView(first + 7);
    const QByteArrayView transposedPositive = row.BlobView(first + 9);
    const QByteArrayView transposedNegative = row.BlobView(first + 10);
    TPictureSignature &signature = content.Signature;
    if (preBuffer.size() != kPreBufferSize
        || !unpackPositions(positive.data(), int(positive.size()), signature.WaveletCoefsPos)
        || !unpackPositions(negative.data(), int(negative.size()), signature.WaveletCoefsNeg)
        || !unpackPositions(transposedPositive.data(), int(transposedPositive.size()), signature.TransposedCoefsPos)
        || !unpackPositions(transposedNegative.data(), int(transposedNegative.size()), signature.TransposedCoefsNeg))
        return false;
    std::memcpy(signature.PreBuffer.data(), preBuffer.data(), kPreBufferSize);
    return row.Integer(first + 8)
        == entryChecksum(hash, size, recipe, decoder, wavelets, content,
            { positive, negative, transposedPositive, transposedNegative });
}

bool isMarked(sqlite3 *db)
{
    TSqliteStatement mark(db, "PRAGMA application_id");
    return mark.PrepareCode() == SQLITE_OK && mark.Step() == SQLITE_ROW && mark.Integer(0) == kApplicationId;
}

TContentHash hashOf(const QByteArray &blob)
{
    TContentHash hash {};
    if (blob.size() == qsizetype(hash.size()))
        std::memcpy(hash.data(), blob.constData(), hash.size());
    return hash;
}

QString specialFileText(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket");
    return QStringLiteral("it is not a regular file");
}

// The file's first kHeaderSize bytes, fewer when it is shorter, none when it is no longer a regular
// file; nothing when it cannot be read. Never waits on a named pipe put in the file's place.
std::optional<QByteArray> readHeader(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {
    };
    QByteArray header(kHeaderSize, '\0');
    qsizetype got = 0;
    bool failed = false;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        while (got < kHeaderSize) {
            const ssize_t more = ::read(fd, header.data() + got, std::size_t(kHeaderSize - got));
            if (more < 0 && errno == EINTR)
                continue;
            failed = more < 0;
            if (more <= 0)
                break;
            got += more;
        }
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    header.truncate(got);
    return header;
}

int32_t bigEndianAt(const QByteArray &bytes, int offset)
{
    const auto *at = reinterpret_cast<const uint8_t *>(bytes.constData()) + offset;
    return int32_t(uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | uint32_t(at[3]));
}

// Why a database without the mark is no store: tables of its own. Read from the main file alone
// (immutable), so that nothing is locked, made or written, not even a journal.
QString unmarkedRefusal(const QByteArray &path)
{
    sqlite3 *db = nullptr;
    int code = sqlite3_open_v2(
        (SqliteUri(path) + "?immutable=1").constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    static const std::set<QByteArray> kStoreTables { "signatures", "paths", "meta" };
    bool foreign = false;
    if (code == SQLITE_OK) {
        TSqliteStatement tables(
            db, "SELECT name FROM sqlite_master WHERE type = 'table' AND substr(name, 1, 7) != 'sqlite_'");
        code = tables.PrepareCode();
        int stepped = SQLITE_DONE;
        while (code == SQLITE_OK && (stepped = tables.Step()) == SQLITE_ROW)
            foreign = foreign || kStoreTables.count(tables.Blob(0)) == 0;
        if (code == SQLITE_OK && stepped != SQLITE_DONE)
            code = stepped;
        tables.Finish();
    }
    sqlite3_close_v2(db);
    if (code != SQLITE_OK)
        return QStringLiteral("it is a damaged SQLite database without the mark of a signature store");
    return foreign ? QStringLiteral("it is the database of another program") : QString();
}

// A table, index or trigger, by the table it belongs to and the statement that made it, which
// SQLite keeps as it was written.
struct TSchemaObject {
    QByteArray Table;
    QByteArray Made;
    friend bool operator==(const TSchemaObject &, const TSchemaObject &) = default;
};

// Every object of `db`, in a fixed order. Returns SQLITE_OK or the error met.
int readSchema(sqlite3 *db, std::vector<TSchemaObject> &objects)
{
    TSqliteStatement rows(db,
        "SELECT tbl_name, type || ' ' || name || ' ' || ifnull(sql, '') FROM sqlite_schema "
        "ORDER BY tbl_name, type, name");
    int code = rows.PrepareCode();
    int stepped = SQLITE_DONE;
    while (code == SQLITE_OK && (stepped = rows.Step()) == SQLITE_ROW)
        objects.push_back({ rows.Blob(0), rows.Blob(1) });
    if (code == SQLITE_OK && stepped != SQLITE_DONE)
        code = stepped;
    rows.Finish();
    return code;
}

// The objects of a store made now.
const std::vector<TSchemaObject> &currentSchema()
{
    static const std::vector<TSchemaObject> objects = [] {
        std::vector<TSchemaObject> made;
        sqlite3 *db = nullptr;
        if (sqlite3_open(":memory:", &db) == SQLITE_OK
            && sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK)
            readSchema(db, made);
        sqlite3_close(db);
        return made;
    }();
    return objects;
}

// How the tables of a database compare with those of a store made now.
struct TSchemaState {
    // The store's tables, with their indexes and triggers, are exactly those of a store made now.
    bool Current = false;
    // It holds tables that are not the store's: another program's database.
    bool Foreign = false;
};

// Returns SQLITE_OK or the error met.
int checkSchema(sqlite3 *db, TSchemaState &state)
{
    const std::vector<TSchemaObject> &made = currentSchema();
    std::vector<TSchemaObject> objects;
    const int code = readSchema(db, objects);
    const auto foreign = [&](const TSchemaObject &object) {
        return std::none_of(
            made.begin(), made.end(), [&](const TSchemaObject &own) { return own.Table == object.Table; });
    };
    state.Foreign = std::any_of(objects.begin(), objects.end(), foreign);
    std::erase_if(objects, foreign);
    state.Current = !made.empty() && objects == made;
    return code;
}

// Drops the store's tables, and with them their indexes and triggers.
int dropTables(sqlite3 *db)
{
    int code = SQLITE_OK;
    for (const TSchemaObject &object : currentSchema()) {
        if (code == SQLITE_OK)
            code = sqlite3_exec(db, ("DROP TABLE IF EXISTS " + object.Table).constData(), nullptr, nullptr, nullptr);
    }
    return code;
}

}

struct TSignatureStore::TPending {
    QByteArray Path;
    std::optional<TFileIdentity> Identity;
    TContentHash Hash {};
    int64_t Size = 0;
    TPictureDecoder Decoder = TPictureDecoder::None;
    std::optional<TSignedContent> Content;
    QByteArray FormerPath;
    // Only the times seen are refreshed.
    bool TouchOnly = false;
    bool Expire = false;
};

struct TSignatureStore::TConnection {
    explicit TConnection(sqlite3 *db)
        : Db(db)
    {
    }
    ~TConnection()
    {
        Statements.clear();
        sqlite3_close_v2(Db);
    }
    TConnection(const TConnection &) = delete;
    TConnection &operator=(const TConnection &) = delete;

    // Opens a read transaction unless one younger than kSharedReadAge is open: starting and ending
    // one for every lookup cost a warm search a tenth of its processor time.
    int BeginRead()
    {
        const auto now = std::chrono::steady_clock::now();
        if (ReadSince && now - *ReadSince < kSharedReadAge)
            return SQLITE_OK;
        EndRead();
        const int code = sqlite3_exec(Db, "BEGIN", nullptr, nullptr, nullptr);
        if (code == SQLITE_OK)
            ReadSince = now;
        return code;
    }
    // Ends the read transaction, so that a connection left idle holds back no checkpoint.
    void EndRead()
    {
        if (ReadSince)
            sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr);
        ReadSince.reset();
    }

    TSqliteStatement &Statement(const char *sql)
    {
        for (auto &[text, statement] : Statements) {
            if (text == sql)
                return *statement;
        }
        Statements.emplace_back(sql, std::make_unique<TSqliteStatement>(Db, sql));
        return *Statements.back().second;
    }

    sqlite3 *const Db;
    std::vector<std::pair<const char *, std::unique_ptr<TSqliteStatement>>> Statements;
    std::optional<std::chrono::steady_clock::time_point> ReadSince;
};

TSignatureStore::TSignatureStore(QByteArray file, QByteArray recipe)
    : m_file(std::move(file))
    , m_recipes(recipeNumbers(recipe))
{
    open();
    if (!m_usable)
        return;
    m_writerThread = std::thread(&TSignatureStore::writeLoop, this);
    // A search opens the store while it walks the folders; its first lookups then find readers that
    // have read the schema, instead of waiting for SQLite to open them.
    for (int opened = 0; opened < kReadersOpenedAhead; ++opened) {
        std::unique_ptr<TConnection> reader = connect(false);
        if (!reader)
            return;
        reader->Statement(kFindByIdentity);
        giveBack(std::move(reader));
    }
}

TSignatureStore::~TSignatureStore()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_changed.notify_all();
    }
    if (m_writerThread.joinable())
        m_writerThread.join();
    closeAll();
    if (m_corrupt)
        moveAside();
}

QByteArray TSignatureStore::DefaultFile() { return UserCacheFolder() + "Quorvane/signatures.sqlite"; }

QString TSignatureStore::Refusal(const QByteArray &file)
{
    struct stat info {
    };
    // A name that does not exist yet becomes a new store; any other failure shows when SQLite opens
    // the file, as a store that cannot be written.
    if (stat(file.constData(), &info) != 0)
        return QString();
    if (!S_ISREG(info.st_mode))
        return specialFileText(info.st_mode);
    // SQLite makes a new database in an empty file.
    if (info.st_size == 0)
        return QString();
    const std::optional<QByteArray> header = readHeader(file);
    if (!header)
        return QString();
    if (header->size() < kHeaderSize || !header->startsWith(kSqliteMagic))
        return QStringLiteral("it is not an SQLite database");
    const int32_t applicationId = bigEndianAt(*header, kApplicationIdOffset);
    if (applicationId == kApplicationId)
        return QString();
    if (applicationId != 0)
        return QStringLiteral("it is the database of another program");
    return unmarkedRefusal(file);
}

bool TSignatureStore::IsUsable() const
{
    std::lock_guard lock(m_mutex);
    return m_usable;
}

TStoreProblem TSignatureStore::Problem() const
{
    std::lock_guard lock(m_mutex);
    return m_problem;
}

void TSignatureStore::open()
{
    if (!Refusal(m_file).isEmpty()) {
        std::lock_guard lock(m_mutex);
        m_problem = TStoreProblem::Other;
        return;
    }
    // A folder that cannot be made shows when SQLite cannot make the file in it.
    MakeFolders(FolderOf(m_file));
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<TConnection> writer = connect(true);
        if (writer) {
            m_writer = std::move(writer);
            m_usable = true;
            return;
        }
        // A corrupt file is replaced by a fresh store once; any other problem sets the store aside.
        if (!m_corrupt)
            return;
        moveAside();
        m_corrupt = false;
    }
}

std::unique_ptr<TSignatureStore::TConnection> TSignatureStore::connect(bool writer)
{
    sqlite3 *db = nullptr;
    int code
        = OpenSqliteFile(m_file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, kBusyTimeoutMs, &db);
    auto connection = std::make_unique<TConnection>(db);
    if (code == SQLITE_OK && sqlite3_db_readonly(db, "main") == 1)
        code = SQLITE_READONLY;
    if (code == SQLITE_OK)
        code = switchToWal(db);
    if (code == SQLITE_OK && writer && !prepareSchema(db))
        return nullptr;
    if (code != SQLITE_OK) {
        fail(code);
        return nullptr;
    }
    return connection;
}

bool TSignatureStore::prepareSchema(sqlite3 *db)
{
    // Two programs opening a new store at once create its tables once.
    int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    TSqliteStatement version(db, "PRAGMA user_version");
    if (code == SQLITE_OK)
        code = version.PrepareCode();
    if (code == SQLITE_OK)
        code = version.Step() == SQLITE_ROW ? SQLITE_OK : sqlite3_errcode(db);
    const int64_t found = code == SQLITE_OK ? version.Integer(0) : 0;
    version.Finish();
    if (code == SQLITE_OK && found > kSchemaVersion) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        std::lock_guard lock(m_mutex);
        m_problem = TStoreProblem::Newer;
        return false;
    }
    // A store of an earlier version starts afresh, as its entries do not say which decoder made
    // them; so does one of this version whose tables are not the ones its statements need (altered,
    // or one lost), which would otherwise fail every search. Another program's database is never
    // emptied: when its tables clash with the store's, it is left as it was.
    TSchemaState schema;
    if (code == SQLITE_OK)
        code = checkSchema(db, schema);
    if (code == SQLITE_OK && found > 0 && !schema.Foreign && (found < kSchemaVersion || !schema.Current))
        code = dropTables(db);
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
    // Stores made before the mark get it too.
    if (code == SQLITE_OK && !isMarked(db))
        code = sqlite3_exec(
            db, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str(), nullptr, nullptr, nullptr);
    if (code == SQLITE_OK)
        code = checkSchema(db, schema);
    if (code == SQLITE_OK && !schema.Current)
        code = SQLITE_ERROR;
    if (code == SQLITE_OK && found < kSchemaVersion)
        code = sqlite3_exec(
            db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str(), nullptr, nullptr, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        fail(code);
        return false;
    }
    return true;
}

int TSignatureStore::switchToWal(sqlite3 *db)
{
    // Two programs making a new store at once: the switch of its journal needs the file alone for
    // a moment, and SQLite answers BUSY at once instead of calling the busy handler.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        const int code
            = sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
        if ((code & 0xff) != SQLITE_BUSY || std::chrono::steady_clock::now() >= deadline)
            return code;
        std::this_thread::sleep_for(kWalSwitchRetry);
    }
}

void TSignatureStore::fail(int code)
{
    std::lock_guard lock(m_mutex);
    const TStoreProblem problem = problemOf(code);
    if (problem == TStoreProblem::Corrupt)
        m_corrupt = true;
    if (m_problem == TStoreProblem::None || !m_usable)
        m_problem = problem;
    m_usable = false;
    m_changed.notify_all();
}

std::unique_ptr<TSignatureStore::TConnection> TSignatureStore::takeReader()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_usable)
            return nullptr;
        if (!m_readers.empty()) {
            std::unique_ptr<TConnection> reader = std::move(m_readers.back());
            m_readers.pop_back();
            return reader;
        }
    }
    return connect(false);
}

void TSignatureStore::giveBack(std::unique_ptr<TConnection> reader)
{
    std::lock_guard lock(m_mutex);
    m_readers.push_back(std::move(reader));
}

std::optional<TRecordedContent> TSignatureStore::FindByIdentity(
    const QByteArray &path, const TFileIdentity &identity, TPictureDecoder decoder)
{
    std::unique_ptr<TConnection> reader = takeReader();
    if (!reader)
        return std::nullopt;
    TSqliteStatement &find = reader->Statement(kFindByIdentity);
    find.Bind(1, path);
    find.Bind(2, recipeOf(decoder));
    find.Bind(3, int64_t(decoder));
    int code = reader->BeginRead();
    if (code == SQLITE_OK)
        code = find.PrepareCode();
    std::optional<TRecordedContent> recorded;
    bool touch = false;
    if (code == SQLITE_OK)
        code = find.Step();
    if (code == SQLITE_ROW) {
        const TFileIdentity known { uint64_t(find.Integer(0)), uint64_t(find.Integer(1)), find.Integer(2),
            find.Integer(3), find.Integer(4) };
        if (known == identity) {
            TRecordedContent found;
            found.Hash = hashOf(find.Blob(7));
            if (find.Integer(8) != pathChecksum(path, identity, found.Hash)
                || !readContent(find, 9, found.Hash, identity.Size, recipeOf(decoder), decoder, found.Content))
                code = SQLITE_CORRUPT;
            else
                recorded = found;
            touch = std::min(find.Integer(5), find.Integer(6)) < today();
        }
    }
    int finished = find.Finish();
    if (!recorded && (code == SQLITE_ROW || code == SQLITE_DONE)) {
        TSqliteStatement &other = reader->Statement(kFindByInode);
        other.Bind(1, int64_t(identity.Inode));
        other.Bind(2, int64_t(identity.Device));
        other.Bind(3, identity.Size);
        other.Bind(4, identity.MTimeNs);
        other.Bind(5, identity.CTimeNs);
        other.Bind(6, recipeOf(decoder));
        other.Bind(7, int64_t(decoder));
        code = other.PrepareCode();
        if (code == SQLITE_OK)
            code = other.Step();
        if (code == SQLITE_ROW) {
            TRecordedContent found;
            found.OtherPath = other.Blob(0);
            found.Hash = hashOf(other.Blob(1));
            if (other.Integer(2) != pathChecksum(found.OtherPath, identity, found.Hash)
                || !readContent(other, 3, found.Hash, identity.Size, recipeOf(decoder), decoder, found.Content))
                code = SQLITE_CORRUPT;
            else
                recorded = found;
        }
        finished = other.Finish();
    }
    // A miss is followed by reading the file, which takes long enough for records to go stale.
    if (!recorded)
        reader->EndRead();
    giveBack(std::move(reader));
    if (code != SQLITE_ROW && code != SQLITE_DONE) {
        fail(code == SQLITE_OK ? finished : code);
        return std::nullopt;
    }
    if (recorded && touch) {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({ path, identity, recorded->Hash, identity.Size, decoder, std::nullopt, {}, true, false });
        m_changed.notify_all();
    }
    return recorded;
}

std::optional<TSignedContent> TSignatureStore::FindByContent(
    const TContentHash &hash, int64_t size, TPictureDecoder decoder)
{
    std::unique_ptr<TConnection> reader = takeReader();
    if (!reader)
        return std::nullopt;
    TSqliteStatement &find = reader->Statement(kFindByContent);
    find.Bind(1, hash);
    find.Bind(2, size);
    find.Bind(3, recipeOf(decoder));
    find.Bind(4, int64_t(decoder));
    int code = reader->BeginRead();
    if (code == SQLITE_OK)
        code = find.PrepareCode();
    std::optional<TSignedContent> content;
    if (code == SQLITE_OK)
        code = find.Step();
    if (code == SQLITE_ROW) {
        TSignedContent found;
        if (readContent(find, 0, hash, size, recipeOf(decoder), decoder, found))
            content = found;
        else
            code = SQLITE_CORRUPT;
    }
    const int finished = find.Finish();
    // A miss is followed by a decode.
    if (!content)
        reader->EndRead();
    giveBack(std::move(reader));
    if (code != SQLITE_ROW && code != SQLITE_DONE) {
        fail(code == SQLITE_OK ? finished : code);
        return std::nullopt;
    }
    return content;
}

void TSignatureStore::Record(const QByteArray &path, std::optional<TFileIdentity> identity, const TContentHash &hash,
    int64_t size, TPictureDecoder decoder, std::optional<TSignedContent> content, const QByteArray &formerPath)
{
    std::lock_guard lock(m_mutex);
    if (!m_usable)
        return;
    m_queue.push_back({ path, identity, hash, size, decoder, std::move(content), formerPath, false, false });
    m_changed.notify_all();
}

void TSignatureStore::ExpireOldEntries()
{
    std::lock_guard lock(m_mutex);
    if (!m_usable)
        return;
    TPending expire;
    expire.Expire = true;
    m_queue.push_back(std::move(expire));
    m_changed.notify_all();
}

void TSignatureStore::Flush()
{
    std::unique_lock lock(m_mutex);
    ++m_flushWaiters;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return !m_writerThread.joinable() || (m_queue.empty() && !m_writing); });
    --m_flushWaiters;
}

void TSignatureStore::writeLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            break;
        // Gather a fuller batch while the searches are still sending records.
        m_changed.wait_for(
            lock, kBatchGathering, [&] { return m_stopping || m_flushWaiters > 0 || m_queue.size() >= kFullBatch; });
        std::vector<TPending> batch;
        batch.swap(m_queue);
        m_writing = true;
        const bool usable = m_usable;
        lock.unlock();
        bool written = false;
        try {
            written = usable && writeBatch(batch);
        } catch (const std::runtime_error &) {
            // A checksum's digest failed (HashContent): the batch is dropped and the store set aside.
            sqlite3_exec(m_writer->Db, "ROLLBACK", nullptr, nullptr, nullptr);
            fail(SQLITE_ERROR);
        }
        lock.lock();
        m_writing = false;
        if (!written)
            m_queue.clear();
        m_changed.notify_all();
    }
}

bool TSignatureStore::writeBatch(const std::vector<TPending> &batch)
{
    sqlite3 *const db = m_writer->Db;
    const int64_t day = today();
    int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    const auto run = [&](TSqliteStatement &statement) {
        if (code == SQLITE_OK)
            code = statement.PrepareCode();
        if (code == SQLITE_OK) {
            const int stepped = statement.Step();
            code = stepped == SQLITE_DONE || stepped == SQLITE_ROW ? SQLITE_OK : stepped;
        }
        statement.Finish();
    };
    for (const TPending &pending : batch) {
        if (code != SQLITE_OK)
            break;
        if (pending.Expire) {
            // Once a day is enough, and spares a warm search the walk over every entry.
            TSqliteStatement lastExpiry(db, "SELECT value FROM meta WHERE key = 'expired'");
            code = lastExpiry.PrepareCode();
            const bool expiredToday
                = code == SQLITE_OK && lastExpiry.Step() == SQLITE_ROW && lastExpiry.Integer(0) == day;
            lastExpiry.Finish();
            if (code != SQLITE_OK || expiredToday)
                continue;
            TSqliteStatement markExpiry(db, "INSERT OR REPLACE INTO meta(key, value) VALUES('expired', ?1)");
            markExpiry.Bind(1, day);
            run(markExpiry);
            const std::set<uint64_t> mounted = mountedDevices();
            std::vector<QByteArray> expired;
            TSqliteStatement old(db, "SELECT path, device FROM paths WHERE seen < ?1");
            old.Bind(1, day - kExpiryDays);
            code = old.PrepareCode();
            int stepped = SQLITE_DONE;
            while (code == SQLITE_OK && (stepped = old.Step()) == SQLITE_ROW) {
                // A file on a drive that is not mounted now was not seen for that reason alone.
                if (mounted.count(uint64_t(old.Integer(1))) != 0)
                    expired.push_back(old.Blob(0));
            }
            if (code == SQLITE_OK && stepped != SQLITE_DONE)
                code = stepped;
            old.Finish();
            for (const QByteArray &path : expired) {
                TSqliteStatement &remove = m_writer->Statement(kDeletePath);
                remove.Bind(1, path);
                run(remove);
            }
            // Each decoder's entries under another recipe than its own, and entries of no decoder.
            for (size_t decoder = 0; decoder < kPictureDecoderCount; ++decoder) {
                TSqliteStatement otherRecipe(db, "DELETE FROM signatures WHERE decoder = ?1 AND recipe != ?2");
                otherRecipe.Bind(1, int64_t(decoder));
                otherRecipe.Bind(2, m_recipes[decoder]);
                run(otherRecipe);
            }
            TSqliteStatement unknown(db, "DELETE FROM signatures WHERE decoder NOT BETWEEN 0 AND ?1");
            unknown.Bind(1, int64_t(kPictureDecoderCount) - 1);
            run(unknown);
            TSqliteStatement unused(
                db, "DELETE FROM signatures WHERE seen < ?1 AND hash NOT IN (SELECT hash FROM paths)");
            unused.Bind(1, day - kExpiryDays);
            run(unused);
            continue;
        }
        if (!pending.FormerPath.isEmpty()) {
            TSqliteStatement &remove = m_writer->Statement(kDeletePath);
            remove.Bind(1, pending.FormerPath);
            run(remove);
        }
        if (pending.TouchOnly) {
            TSqliteStatement &touchPath = m_writer->Statement(kTouchPath);
            touchPath.Bind(1, pending.Path);
            touchPath.Bind(2, day);
            run(touchPath);
        } else if (pending.Identity) {
            const TFileIdentity &identity = *pending.Identity;
            TSqliteStatement &upsert = m_writer->Statement(kUpsertPath);
            upsert.Bind(1, pending.Path);
            upsert.Bind(2, int64_t(identity.Device));
            upsert.Bind(3, int64_t(identity.Inode));
            upsert.Bind(4, identity.Size);
            upsert.Bind(5, identity.MTimeNs);
            upsert.Bind(6, identity.CTimeNs);
            upsert.Bind(7, pending.Hash);
            upsert.Bind(8, pathChecksum(pending.Path, identity, pending.Hash));
            upsert.Bind(9, day);
            run(upsert);
        } else {
            TSqliteStatement &remove = m_writer->Statement(kDeletePath);
            remove.Bind(1, pending.Path);
            run(remove);
        }
        if (pending.Content) {
            const TSignedContent &content = *pending.Content;
            const QByteArray preBuffer(
                reinterpret_cast<const char *>(content.Signature.PreBuffer.data()), kPreBufferSize);
            const QByteArray positive = packPositions(content.Signature.WaveletCoefsPos);
            const QByteArray negative = packPositions(content.Signature.WaveletCoefsNeg);
            const bool transposed = content.HasWavelets && content.HasTransposedWavelets;
            const int64_t wavelets = int64_t(content.HasWavelets) + int64_t(transposed);
            const QByteArray transposedPositive
                = transposed ? packPositions(content.Signature.TransposedCoefsPos) : QByteArray();
            const QByteArray transposedNegative
                = transposed ? packPositions(content.Signature.TransposedCoefsNeg) : QByteArray();
            TSqliteStatement &upsert = m_writer->Statement(kUpsertSignature);
            upsert.Bind(1, pending.Hash);
            upsert.Bind(2, pending.Size);
            upsert.Bind(3, recipeOf(pending.Decoder));
            upsert.Bind(4, int64_t(content.Loaded));
            upsert.Bind(5, int64_t(content.ScaleDenominator));
            upsert.Bind(6, wavelets);
            upsert.Bind(7, int64_t(content.Signature.Height));
            upsert.Bind(8, int64_t(content.Signature.Width));
            upsert.Bind(9, preBuffer);
            upsert.Bind(10, positive);
            upsert.Bind(11, negative);
            upsert.Bind(12,
                entryChecksum(pending.Hash, pending.Size, recipeOf(pending.Decoder), pending.Decoder, wavelets, content,
                    { positive, negative, transposedPositive, transposedNegative }));
            upsert.Bind(13, day);
            upsert.Bind(14, transposedPositive);
            upsert.Bind(15, transposedNegative);
            upsert.Bind(16, int64_t(pending.Decoder));
            run(upsert);
        } else {
            TSqliteStatement &touch = m_writer->Statement(kTouchSignature);
            touch.Bind(1, pending.Hash);
            touch.Bind(2, pending.Size);
            touch.Bind(3, recipeOf(pending.Decoder));
            touch.Bind(4, day);
            touch.Bind(5, int64_t(pending.Decoder));
            run(touch);
        }
    }
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK)
        return true;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    fail(code);
    return false;
}

bool TSignatureStore::Empty()
{
    Flush();
    std::unique_ptr<TConnection> connection = takeReader();
    if (!connection)
        return false;
    connection->EndRead();
    sqlite3 *const db = connection->Db;
    int code = sqlite3_exec(
        db, "BEGIN IMMEDIATE; DELETE FROM paths; DELETE FROM signatures; COMMIT", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    // Shrinking is best effort: another program reading the store keeps its pages in use.
    if (code == SQLITE_OK) {
        sqlite3_exec(db, "VACUUM", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    }
    giveBack(std::move(connection));
    if (code != SQLITE_OK)
        fail(code);
    return code == SQLITE_OK;
}

int64_t TSignatureStore::SizeOnDisk(const QByteArray &file)
{
    int64_t size = 0;
    for (const QByteArray &part : { file, file + "-wal" }) {
        struct stat info {
        };
        if (stat(part.constData(), &info) == 0 && S_ISREG(info.st_mode))
            size += info.st_size;
    }
    return size;
}

void TSignatureStore::closeAll()
{
    std::lock_guard lock(m_mutex);
    m_readers.clear();
    m_writer.reset();
}

void TSignatureStore::moveAside()
{
    closeAll();
    const QByteArray aside
        = m_file + ".corrupt-" + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz")).toLatin1();
    // The journal goes along, so that the fresh store never replays a corrupt store's pages.
    SystemFileOperations().MoveNoReplace(m_file + "-wal", aside + "-wal");
    ::unlink((m_file + "-shm").constData());
    SystemFileOperations().MoveNoReplace(m_file, aside);
}
