#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <sqlite3.h>

#include <array>
#include <cstdint>

// What the program's SQLite files (the signature store, the decisions) share.

// The file as an SQLite URI that names exactly its bytes. SQLite built to read names that begin
// with "file:" as URIs (Debian's is) would otherwise decode such a name into another one.
QByteArray SqliteUri(const QByteArray &path);

// Opens `file` (raw file-name bytes) with `flags` (SQLITE_OPEN_URI is added), with extended result
// codes and a busy handler that waits up to `busyTimeoutMs` for another program's lock. Returns
// SQLITE_OK or the error met; `*db` is set either way and must be closed with sqlite3_close_v2.
int OpenSqliteFile(const QByteArray &file, int flags, int busyTimeoutMs, sqlite3 **db);

// A prepared statement that is reset after every use, so that it never keeps its connection's read
// transaction open by itself.
class TSqliteStatement
{
public:
    TSqliteStatement(sqlite3 *db, const char *sql)
    {
        m_code = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
    }
    ~TSqliteStatement() { sqlite3_finalize(m_statement); }
    TSqliteStatement(const TSqliteStatement &) = delete;
    TSqliteStatement &operator=(const TSqliteStatement &) = delete;

    int PrepareCode() const { return m_code; }
    sqlite3_stmt *operator*() const { return m_statement; }
    void Bind(int index, int64_t value) { sqlite3_bind_int64(m_statement, index, value); }
    void Bind(int index, const QByteArray &bytes)
    {
        sqlite3_bind_blob(m_statement, index, bytes.constData(), int(bytes.size()), SQLITE_STATIC);
    }
    void Bind(int index, const std::array<uint8_t, 32> &hash)
    {
        sqlite3_bind_blob(m_statement, index, hash.data(), int(hash.size()), SQLITE_STATIC);
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return sqlite3_step(m_statement); }
    int Finish()
    {
        if (!m_statement)
            return m_code;
        sqlite3_clear_bindings(m_statement);
        return sqlite3_reset(m_statement);
    }
    int64_t Integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    QByteArray Blob(int column) const { return BlobView(column).toByteArray(); }
    // Valid until the statement steps or is reset.
    QByteArrayView BlobView(int column) const
    {
        const void *data = sqlite3_column_blob(m_statement, column);
        return { static_cast<const char *>(data), data ? sqlite3_column_bytes(m_statement, column) : 0 };
    }

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_code = SQLITE_OK;
};
