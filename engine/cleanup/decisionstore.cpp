#include "engine/cleanup/decisionstore.h"

#include "engine/base/rawpathfile.h"
#include "engine/store/sqlitefile.h"
#include "fileops/temporaryfile.h"
#include "fileops/userfolders.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/stat.h>

namespace
{

constexpr int kSchemaVersion = 1;
// Marks a decisions file of this program in its database header ("QVND").
constexpr int32_t kApplicationId = 0x51564e44;
constexpr int kBusyTimeoutMs = 2000;

// A plain rollback journal rather than WAL: a reader of a file it may not write then needs no
// shared-memory file beside it. Decisions are written one at a time, by hand.
const char *const kSchema = "CREATE TABLE IF NOT EXISTS dismissed(low BLOB NOT NULL, high BLOB NOT NULL, "
                            "made INTEGER NOT NULL, PRIMARY KEY(low, high)) WITHOUT ROWID";

struct TCloser {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using TDatabase = std::unique_ptr<sqlite3, TCloser>;

QString describe(const QByteArray &file, const QString &problem)
{
    return QStringLiteral("decisions file %1: %2").arg(QString::fromLocal8Bit(file), problem);
}

QString sqliteProblem(sqlite3 *db, int code)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

// Whether `file` exists; false with `error` when it is there but no regular file (SQLite would
// block on a named pipe) or cannot be looked at.
bool existsAsFile(const QByteArray &file, bool &exists, QString *error)
{
    struct stat info {
    };
    exists = ::stat(file.constData(), &info) == 0;
    if (!exists && errno == ENOENT)
        return true;
    if (!exists) {
        *error = describe(file, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = describe(file, QStringLiteral("it is not a regular file"));
        return false;
    }
    return true;
}

int64_t integerOf(sqlite3 *db, const char *sql, int &code)
{
    TSqliteStatement statement(db, sql);
    code = statement.PrepareCode();
    int64_t value = 0;
    if (code == SQLITE_OK) {
        const int stepped = statement.Step();
        if (stepped == SQLITE_ROW)
            value = statement.Integer(0);
        else
            code = stepped;
    }
    statement.Finish();
    return value;
}

// Checks that `db` is a decisions file of this program or an empty database; `empty` tells which.
bool checkOwnFile(sqlite3 *db, const QByteArray &file, bool &empty, QString *error)
{
    int code = SQLITE_OK;
    const int64_t tables = integerOf(db, "SELECT count(*) FROM sqlite_schema", code);
    const int64_t mark = code == SQLITE_OK ? integerOf(db, "PRAGMA application_id", code) : 0;
    const int64_t version = code == SQLITE_OK ? integerOf(db, "PRAGMA user_version", code) : 0;
    if (code != SQLITE_OK) {
        *error = describe(file, sqliteProblem(db, code));
        return false;
    }
    empty = tables == 0 && mark == 0;
    if (!empty && mark != kApplicationId) {
        *error = describe(file, QStringLiteral("it is not a decisions file of this program"));
        return false;
    }
    if (version > kSchemaVersion) {
        *error = describe(file, QStringLiteral("it was written by a newer version of this program"));
        return false;
    }
    return true;
}

// Opens the file to read; a null database without an error when it does not exist.
TDatabase openToRead(const QByteArray &file, bool &empty, QString *error)
{
    bool exists = false;
    empty = true;
    if (!existsAsFile(file, exists, error) || !exists)
        return nullptr;
    sqlite3 *raw = nullptr;
    const int code = OpenSqliteFile(file, SQLITE_OPEN_READONLY, kBusyTimeoutMs, &raw);
    TDatabase db(raw);
    if (code != SQLITE_OK) {
        *error = describe(file, sqliteProblem(raw, code));
        return nullptr;
    }
    if (!checkOwnFile(db.get(), file, empty, error))
        return nullptr;
    return db;
}

// Opens the file to write inside a transaction, making it a decisions file when it is new.
TDatabase openToWrite(const QByteArray &file, QString *error)
{
    bool exists = false;
    if (!existsAsFile(file, exists, error))
        return nullptr;
    if (!exists)
        MakeFolders(FolderOf(file));
    sqlite3 *raw = nullptr;
    int code = OpenSqliteFile(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, kBusyTimeoutMs, &raw);
    TDatabase db(raw);
    if (code == SQLITE_OK)
        code = sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        *error = describe(file, sqliteProblem(raw, code));
        return nullptr;
    }
    bool empty = false;
    if (!checkOwnFile(raw, file, empty, error)) {
        sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
        return nullptr;
    }
    if (empty) {
        const std::string made = std::string(kSchema) + "; PRAGMA application_id = " + std::to_string(kApplicationId)
            + "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
        code = sqlite3_exec(raw, made.c_str(), nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) {
            *error = describe(file, sqliteProblem(raw, code));
            sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
            return nullptr;
        }
    }
    return db;
}

// Runs `sql` with the two contents bound in order and commits; false with `error` when that failed.
// `made`, when given, is bound third.
bool changeAndCommit(sqlite3 *db, const QByteArray &file, const char *sql, const TContentHash &low,
    const TContentHash &high, std::optional<int64_t> made, QString *error)
{
    TSqliteStatement statement(db, sql);
    int code = statement.PrepareCode();
    if (code == SQLITE_OK) {
        statement.Bind(1, low);
        statement.Bind(2, high);
        if (made)
            statement.Bind(3, *made);
        const int stepped = statement.Step();
        code = stepped == SQLITE_DONE ? SQLITE_OK : stepped;
    }
    statement.Finish();
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK)
        return true;
    *error = describe(file, sqliteProblem(db, code));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

std::pair<TContentHash, TContentHash> ordered(const TContentHash &a, const TContentHash &b)
{
    return a < b ? std::pair { a, b } : std::pair { b, a };
}

}

TDecisionStore::TDecisionStore(QByteArray file)
    : m_file(std::move(file))
{
}

QByteArray TDecisionStore::DefaultFile() { return UserDataFolder() + "Quorvane/decisions.sqlite"; }

std::optional<TDismissedPairs> TDecisionStore::Load(QString *error) const
{
    bool empty = true;
    QString problem;
    const TDatabase db = openToRead(m_file, empty, &problem);
    TDismissedPairs pairs;
    if (!problem.isEmpty()) {
        *error = problem;
        return std::nullopt;
    }
    if (!db || empty)
        return pairs;
    TSqliteStatement rows(db.get(), "SELECT low, high FROM dismissed");
    int code = rows.PrepareCode();
    int stepped = SQLITE_DONE;
    while (code == SQLITE_OK && (stepped = rows.Step()) == SQLITE_ROW) {
        const QByteArrayView low = rows.BlobView(0);
        const QByteArrayView high = rows.BlobView(1);
        TContentHash a {};
        TContentHash b {};
        // A damaged row is no decision; the others still hold.
        if (low.size() != qsizetype(a.size()) || high.size() != qsizetype(b.size()))
            continue;
        std::memcpy(a.data(), low.data(), a.size());
        std::memcpy(b.data(), high.data(), b.size());
        pairs.Add(a, b);
    }
    if (code == SQLITE_OK && stepped != SQLITE_DONE)
        code = stepped;
    rows.Finish();
    if (code != SQLITE_OK) {
        *error = describe(m_file, sqliteProblem(db.get(), code));
        return std::nullopt;
    }
    return pairs;
}

std::shared_ptr<const TDismissedPairs> TDecisionStore::ForSearch(QString *error) const
{
    std::optional<TDismissedPairs> loaded = Load(error);
    if (!loaded || loaded->IsEmpty())
        return nullptr;
    return std::make_shared<const TDismissedPairs>(std::move(*loaded));
}

std::optional<int64_t> TDecisionStore::Count(QString *error) const
{
    bool empty = true;
    QString problem;
    const TDatabase db = openToRead(m_file, empty, &problem);
    if (!problem.isEmpty()) {
        *error = problem;
        return std::nullopt;
    }
    if (!db || empty)
        return 0;
    int code = SQLITE_OK;
    const int64_t count = integerOf(db.get(), "SELECT count(*) FROM dismissed", code);
    if (code != SQLITE_OK) {
        *error = describe(m_file, sqliteProblem(db.get(), code));
        return std::nullopt;
    }
    return count;
}

bool TDecisionStore::Record(const TContentHash &a, const TContentHash &b, QString *error)
{
    const TDatabase db = openToWrite(m_file, error);
    const auto [low, high] = ordered(a, b);
    return db
        && changeAndCommit(db.get(), m_file,
            "INSERT INTO dismissed(low, high, made) VALUES(?1, ?2, ?3) ON CONFLICT DO NOTHING", low, high,
            int64_t(QDateTime::currentSecsSinceEpoch()), error);
}

bool TDecisionStore::Forget(const TContentHash &a, const TContentHash &b, QString *error)
{
    // Nothing to take back from a file that is not there, and nothing to create for it.
    bool exists = false;
    if (!existsAsFile(m_file, exists, error))
        return false;
    if (!exists)
        return true;
    const TDatabase db = openToWrite(m_file, error);
    const auto [low, high] = ordered(a, b);
    return db
        && changeAndCommit(
            db.get(), m_file, "DELETE FROM dismissed WHERE low = ?1 AND high = ?2", low, high, std::nullopt, error);
}

std::optional<int64_t> TDecisionStore::ForgetAll(QString *error)
{
    bool exists = false;
    if (!existsAsFile(m_file, exists, error))
        return std::nullopt;
    if (!exists)
        return 0;
    const TDatabase db = openToWrite(m_file, error);
    if (!db)
        return std::nullopt;
    int code = sqlite3_exec(db.get(), "DELETE FROM dismissed", nullptr, nullptr, nullptr);
    const int64_t forgotten = code == SQLITE_OK ? sqlite3_changes64(db.get()) : 0;
    if (code == SQLITE_OK)
        code = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        *error = describe(m_file, sqliteProblem(db.get(), code));
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        return std::nullopt;
    }
    return forgotten;
}

std::optional<TContentHash> HashOfFile(const QByteArray &path, QString *error)
{
    const auto fail = [&](const QString &problem) {
        *error = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path), problem);
        return std::nullopt;
    };
    struct stat info {
    };
    if (::stat(path.constData(), &info) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        return fail(QStringLiteral("not a regular file"));
    QFile file;
    if (!OpenForReading(file, path))
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (const std::optional<TContentHash> hash = HashFileContent(file))
        return hash;
    return fail(file.errorString());
}
