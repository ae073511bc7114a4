#include "db/Connection.h"

#include "platform/Exception.h"

#include <QFileInfo>
#include <sqlcipher/sqlite3.h>

namespace kestrune::db {

Connection::~Connection() { close(); }

void Connection::open(const QString &path, const QByteArray &key, int busyTimeoutMs) {
    std::lock_guard guard(mutex_);
    close();
    sqlite3 *db = nullptr;
    // READWRITE without CREATE: a missing file is an error, never a new file.
    const int rc = sqlite3_open_v2(QFileInfo(path).filePath().toUtf8().constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw Exception(text);
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    // The key only takes effect at the first read, so read the schema now:
    // a wrong key or a foreign file fails here with "file is not a database".
    const QByteArray keySql = "PRAGMA key = '" + QByteArray(key).replace('\'', "''") + "';";
    char *err = nullptr;
    int step = sqlite3_exec(db, keySql.constData(), nullptr, nullptr, &err);
    if (step == SQLITE_OK)
        step = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &err);
    if (step != SQLITE_OK) {
        const QString text = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        sqlite3_close(db);
        throw Exception(text);
    }
    db_ = db;
}

void Connection::close() {
    std::lock_guard guard(mutex_);
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

sqlite3 *Connection::handle() const {
    if (!db_)
        throw Exception(QStringLiteral("Connection is not open"));
    return db_;
}

void Connection::execute(const QString &sql) {
    std::lock_guard guard(mutex_);
    char *err = nullptr;
    if (sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString text = QString::fromUtf8(err ? err : sqlite3_errmsg(db_));
        sqlite3_free(err);
        throw Exception(text);
    }
}

void checkResult(sqlite3 *db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw Exception(QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace kestrune::db
