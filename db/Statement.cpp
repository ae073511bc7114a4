#include "db/Statement.h"

#include "db/Connection.h"
#include "platform/Exception.h"

#include <sqlcipher/sqlite3.h>

namespace kestrune::db {

Statement::Statement(sqlite3 *db, const QString &sql) : db_(db) {
    const QByteArray text = sql.toUtf8();
    checkResult(db_, sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &stmt_, nullptr));
    if (!stmt_)
        throw Exception(QStringLiteral("No SQL statement"));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

int Statement::parameterIndex(const QString &name) const {
    return sqlite3_bind_parameter_index(stmt_, (u':' + name).toUtf8().constData());
}

void Statement::bind(int index, const QVariant &value) {
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
        rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
    } else {
        const QByteArray text = value.toString().toUtf8();
        rc = sqlite3_bind_text(stmt_, index, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    checkResult(db_, rc);
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw Exception(QString::fromUtf8(sqlite3_errmsg(db_)));
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

QString Statement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, column));
}

QString Statement::columnTable(int column) const {
    const char *table = sqlite3_column_table_name(stmt_, column);
    return table ? QString::fromUtf8(table) : QString();
}

} // namespace kestrune::db
