#include "engine/store/sqlitefile.h"

QByteArray SqliteUri(const QByteArray &path)
{
    const QByteArray encoded = path.toPercentEncoding("/");
    // An empty authority, so that a path that begins with "//" is not read as a host.
    return path.startsWith('/') ? "file://" + encoded : "file:" + encoded;
}

int OpenSqliteFile(const QByteArray &file, int flags, int busyTimeoutMs, sqlite3 **db)
{
    *db = nullptr;
    const int code = sqlite3_open_v2(SqliteUri(file).constData(), db, flags | SQLITE_OPEN_URI, nullptr);
    if (code != SQLITE_OK)
        return code;
    sqlite3_extended_result_codes(*db, 1);
    sqlite3_busy_timeout(*db, busyTimeoutMs);
    return SQLITE_OK;
}
