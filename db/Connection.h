#pragma once
// One SQLCipher database opened with a key: Kestrune's stand-in for the ADO
// connection over the Jet provider. Every statement of every thread runs
// under the connection's lock, so the status monitor and the user interface
// can share it; each call fails with the engine's own words.

#include <QByteArray>
#include <QString>
#include <mutex>

struct sqlite3;

namespace kestrune::db {

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens an existing database file; never creates one. Fails (throws
    // kestrune::Exception with the engine's text) on a missing file, a wrong
    // key or a file that is not a database. Other processes may keep the file
    // open meanwhile; a lock they hold is waited for up to busyTimeoutMs.
    void open(const QString &path, const QByteArray &key, int busyTimeoutMs = 5000);
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // The engine handle; use it only while holding lock().
    sqlite3 *handle() const;
    std::recursive_mutex &lock() { return mutex_; }

    // Runs one statement that returns no rows; for the database tool and tests.
    void execute(const QString &sql);

private:
    sqlite3 *db_ = nullptr;
    mutable std::recursive_mutex mutex_;
};

// Throws kestrune::Exception with the engine's message when rc is an error.
void checkResult(sqlite3 *db, int rc);

} // namespace kestrune::db
