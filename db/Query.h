#pragma once
// A query over the shared connection: SQL text with ":name" parameters, the
// rows of its last result held in memory with a current row, and, when every
// column comes from one table, the updatable data set of the list window:
// append / edit / post / cancel / delete, each post and delete written to the
// table at once and addressed by the engine's own row id, so that two rows
// holding the same values are never confused.

#include "db/Field.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace kestrune::db {

class Connection;

class Parameter {
public:
    const QString &name() const { return name_; }
    void setValue(const QVariant &value) { value_ = value; }
    void setAsInteger(int value) { value_ = value; }
    void setAsString(const QString &value) { value_ = value; }
    const QVariant &value() const { return value_; }

private:
    friend class Query;
    explicit Parameter(QString name) : name_(std::move(name)) {}
    QString name_;
    QVariant value_;
};

class Query : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Query(Connection *connection, QString name = {}, QObject *parent = nullptr);
    ~Query() override;

    const QString &name() const { return name_; }
    void setConnection(Connection *connection) { connection_ = connection; }
    Connection *connection() const { return connection_; }

    // Statement text; replacing it closes the query and renews its parameters.
    void setSql(const QString &sql);
    const QString &sql() const { return sql_; }
    Parameter &paramByName(const QString &name);

    // Declared fields. A query that declares none takes the columns of its
    // result as text fields; one that does has exactly these, whatever else
    // the table holds.
    Field &addField(FieldDef def);

    void open();
    void close();
    bool active() const { return state_ != State::Inactive; }
    // Runs a statement that returns no rows and leaves the query closed.
    void execSql();
    // Rows the last execSql changed; an UPDATE counts every row it matched,
    // also one whose values stayed the same.
    int rowsAffected() const { return rowsAffected_; }

    int recordCount() const { return static_cast<int>(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    int recNo() const { return current_; } // 0-based; -1 when empty
    bool eof() const { return eof_; }
    void first();
    void next();
    void moveTo(int row);

    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field &field(int index) { return *fields_.at(static_cast<size_t>(index)); }
    Field *findField(const QString &name);
    // Throws "<query>: Field '<name>' not found".
    Field &fieldByName(const QString &name);

    State state() const { return state_; }
    void append();
    void edit();
    void post();
    void cancel();
    void remove();
    bool canModify() const { return !table_.isEmpty(); }

    // Runs when append() has made the new row, to fill in its defaults.
    std::function<void(Query &)> onNewRecord;

    // The value of any row, for grids painting many rows.
    QVariant valueAt(int row, int fieldIndex) const;

    // While a grid paints row `row`, the fields read that row; the current
    // row comes back when the scope ends.
    class ActiveRecordScope {
    public:
        ActiveRecordScope(Query &query, int row);
        ~ActiveRecordScope();
        ActiveRecordScope(const ActiveRecordScope &) = delete;
        ActiveRecordScope &operator=(const ActiveRecordScope &) = delete;

    private:
        Query &query_;
        int previous_;
    };

signals:
    void opened();
    void closed();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentChanged(int row);
    void stateChanged();
    // Bound controls write their pending text into the fields now.
    void aboutToPost();

private:
    friend class Field;
    struct Row {
        qint64 rowId = 0;
        std::vector<QVariant> values;
    };

    QVariant readValue(int fieldIndex) const;
    void writeValue(int fieldIndex, const QVariant &value);
    void requireEditing() const;
    void setState(State state);
    void postInsert(Row &row);
    void postEdit(Row &row);

    Connection *connection_;
    QString name_;
    QString sql_;
    std::deque<Parameter> params_;
    std::vector<std::unique_ptr<Field>> fields_;
    bool declaredFields_ = false;
    std::vector<Row> rows_;
    QString table_;          // the one table every column comes from, if any
    std::vector<QString> columns_; // table column of each field
    int current_ = -1;
    int active_ = -1;        // the row fields read; -1 means the current row
    bool eof_ = true;
    State state_ = State::Inactive;
    Row backup_;             // the row as it was before edit()
    std::vector<bool> modified_;
    int rowBeforeInsert_ = -1;
    int rowsAffected_ = 0;
};

} // namespace kestrune::db
