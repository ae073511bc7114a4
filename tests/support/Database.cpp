#include "tests/support/Database.h"

#include "db/Schema.h"
#include "db/Statement.h"

#include <QDir>
#include <sqlcipher/sqlite3.h>

namespace kestrune::test {

QString makeDatabase(const QString &dir, bool withSamples) {
    const QString path = QDir(dir).filePath(db::DatabaseFileName);
    db::createDatabase(path, db::DatabaseKey, withSamples);
    return path;
}

std::unique_ptr<db::Connection> openDatabase(const QString &path) {
    auto conn = std::make_unique<db::Connection>();
    conn->open(path, db::DatabaseKey);
    return conn;
}

Rows readRows(db::Connection &conn, const QString &sql) {
    std::lock_guard guard(conn.lock());
    db::Statement st(conn.handle(), sql);
    Rows rows;
    while (st.step()) {
        std::vector<QVariant> row;
        for (int c = 0; c < st.columnCount(); ++c) {
            switch (sqlite3_column_type(st.get(), c)) {
            case SQLITE_NULL:
                row.emplace_back();
                break;
            case SQLITE_INTEGER:
                row.emplace_back(static_cast<qlonglong>(sqlite3_column_int64(st.get(), c)));
                break;
            default:
                row.emplace_back(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st.get(), c))));
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void exec(db::Connection &conn, const QString &sql) { conn.execute(sql); }

} // namespace kestrune::test
