#pragma once
// A prepared statement that finalises itself; every failure raises the
// engine's own message. Callers hold the connection's lock around its life.

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace kestrune::db {

class Statement {
public:
    Statement(sqlite3 *db, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Index of ":name" in the statement, 0 when it has none by that name.
    int parameterIndex(const QString &name) const;
    void bind(int index, const QVariant &value);
    // True while a row is ready; false once the statement is done.
    bool step();

    sqlite3_stmt *get() const { return stmt_; }
    int columnCount() const;
    QString columnName(int column) const;
    QString columnTable(int column) const;

private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
};

} // namespace kestrune::db
