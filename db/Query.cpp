#include "db/Query.h"

#include "db/Connection.h"
#include "db/SqlParameters.h"
#include "db/Statement.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"
#include "platform/StrToInt.h"

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <limits>

namespace kestrune::db {

namespace {

const QString RowIdColumn = QStringLiteral("kestrune_rowid");

QString emptyDataSetMessage() { return QStringLiteral("Cannot perform this operation on an empty dataset"); }

QString quoteIdentifier(const QString &name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The statement with the table's row id as its first column, so that every
// row can be written back to exactly its own row of the table. Only a plain
// "SELECT ..." text can carry it; anything else stays read-only.
QString withRowId(const QString &sql, const QString &table) {
    const QString trimmed = sql.trimmed();
    if (!trimmed.startsWith(QStringLiteral("select"), Qt::CaseInsensitive) || trimmed.size() < 7 ||
        !trimmed[6].isSpace())
        return {};
    return trimmed.left(6) + u' ' + quoteIdentifier(table) + QStringLiteral("._rowid_ AS ") + RowIdColumn +
           u',' + trimmed.mid(6);
}

// Reads one column of the current result row in the field's own terms. A
// value the field cannot hold (a port that is not an integer, say) reads as
// null; nothing is written back unless the operator changes that field.
QVariant columnValue(sqlite3_stmt *stmt, int column, const FieldDef &def) {
    const int type = sqlite3_column_type(stmt, column);
    if (type == SQLITE_NULL)
        return {};
    if (def.kind == FieldKind::Integer) {
        if (type == SQLITE_INTEGER) {
            const qint64 v = sqlite3_column_int64(stmt, column);
            if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
                return static_cast<int>(v);
            return {};
        }
        const auto text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)));
        if (const auto v = platform::parseInt32(text.trimmed()))
            return *v;
        return {};
    }
    if (type == SQLITE_INTEGER && def.size == 0)
        return sqlite3_column_int64(stmt, column);
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    const QString text = QString::fromUtf8(bytes, sqlite3_column_bytes(stmt, column));
    if (def.kind == FieldKind::Text)
        return platform::truncateToGbkBytes(text, def.size);
    return text;
}

} // namespace

// ---- Field ---------------------------------------------------------------

bool Field::isNull() const { return query_->readValue(index_).isNull(); }

QVariant Field::value() const { return query_->readValue(index_); }

QString Field::asString() const {
    const QVariant v = query_->readValue(index_);
    return v.isNull() ? QString() : v.toString();
}

int Field::asInteger() const {
    const QVariant v = query_->readValue(index_);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Int)
        return v.toInt();
    if (v.typeId() == QMetaType::LongLong)
        return static_cast<int>(v.toLongLong());
    return platform::StrToInt(v.toString().trimmed());
}

void Field::setAsString(const QString &text) {
    switch (def_.kind) {
    case FieldKind::Integer:
        if (text.isEmpty())
            query_->writeValue(index_, QVariant());
        else
            query_->writeValue(index_, platform::StrToInt(text));
        break;
    case FieldKind::Text:
        query_->writeValue(index_, platform::truncateToGbkBytes(text, def_.size));
        break;
    case FieldKind::Memo:
        query_->writeValue(index_, text);
        break;
    }
}

void Field::setAsInteger(int value) {
    if (def_.kind == FieldKind::Integer)
        query_->writeValue(index_, value);
    else
        setAsString(QString::number(value));
}

void Field::clear() { query_->writeValue(index_, QVariant()); }

// ---- Query ---------------------------------------------------------------

Query::Query(Connection *connection, QString name, QObject *parent)
    : QObject(parent), connection_(connection), name_(std::move(name)) {}

Query::~Query() = default;

void Query::setSql(const QString &sql) {
    close();
    sql_ = sql;
    params_.clear();
    for (const QString &name : parameterNames(sql))
        params_.push_back(Parameter(name));
}

Parameter &Query::paramByName(const QString &name) {
    for (Parameter &p : params_)
        if (p.name().compare(name, Qt::CaseInsensitive) == 0)
            return p;
    throw Exception(QStringLiteral("Parameter '%1' not found").arg(name));
}

Field &Query::addField(FieldDef def) {
    if (active())
        throw Exception(QStringLiteral("Cannot perform this operation on an open dataset"));
    declaredFields_ = true;
    fields_.push_back(std::unique_ptr<Field>(new Field(this, fieldCount(), std::move(def))));
    return *fields_.back();
}

Field *Query::findField(const QString &name) {
    for (auto &f : fields_)
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field &Query::fieldByName(const QString &name) {
    if (Field *f = findField(name))
        return *f;
    throw Exception(QStringLiteral("%1: Field '%2' not found").arg(name_, name));
}

void Query::open() {
    if (active())
        return;
    if (!connection_)
        throw Exception(QStringLiteral("%1: Missing Connection or ConnectionString").arg(name_));
    std::lock_guard guard(connection_->lock());
    sqlite3 *db = connection_->handle();

    auto bindAll = [this](Statement &st) {
        for (const Parameter &p : params_)
            if (const int index = st.parameterIndex(p.name()))
                st.bind(index, p.value());
    };

    auto plain = std::make_unique<Statement>(db, sql_);
    const int columnCount = plain->columnCount();

    // Which table every column comes from, if it is one and the same.
    QString table = columnCount > 0 ? plain->columnTable(0) : QString();
    for (int c = 1; c < columnCount && !table.isEmpty(); ++c)
        if (plain->columnTable(c).compare(table, Qt::CaseInsensitive) != 0)
            table.clear();

    std::unique_ptr<Statement> st;
    int offset = 0;
    if (declaredFields_ && !table.isEmpty()) {
        const QString text = withRowId(sql_, table);
        if (!text.isEmpty()) {
            try {
                st = std::make_unique<Statement>(db, text);
                offset = 1;
            } catch (const Exception &) {
                st.reset(); // a view, or a table without row ids: read-only
            }
        }
    }
    if (!st) {
        st = std::move(plain);
        table.clear();
    }

    // Which result column feeds which field.
    std::vector<int> source;
    std::vector<QString> columns;
    if (declaredFields_) {
        for (const auto &f : fields_) {
            int found = -1;
            for (int c = offset; c < st->columnCount() && found < 0; ++c)
                if (st->columnName(c).compare(f->fieldName(), Qt::CaseInsensitive) == 0)
                    found = c;
            if (found < 0)
                throw Exception(QStringLiteral("%1: Field '%2' not found").arg(name_, f->fieldName()));
            source.push_back(found);
            columns.push_back(st->columnName(found));
        }
    } else {
        fields_.clear();
        for (int c = 0; c < st->columnCount(); ++c) {
            columns.push_back(st->columnName(c));
            FieldDef def{st->columnName(c), FieldKind::Memo, 0, QString(), 0};
            fields_.push_back(std::unique_ptr<Field>(new Field(this, c, std::move(def))));
            source.push_back(c);
        }
    }

    bindAll(*st);
    std::vector<Row> rows;
    while (st->step()) {
        Row row;
        row.rowId = offset ? sqlite3_column_int64(st->get(), 0) : 0;
        row.values.reserve(fields_.size());
        for (size_t i = 0; i < fields_.size(); ++i)
            row.values.push_back(columnValue(st->get(), source[i], fields_[i]->def_));
        rows.push_back(std::move(row));
    }

    rows_ = std::move(rows);
    table_ = table;
    columns_ = std::move(columns);
    current_ = rows_.empty() ? -1 : 0;
    eof_ = rows_.empty();
    state_ = State::Browse;
    emit opened();
    emit stateChanged();
    emit currentChanged(current_);
}

void Query::close() {
    if (!active())
        return;
    rows_.clear();
    current_ = -1;
    eof_ = true;
    state_ = State::Inactive;
    emit closed();
    emit stateChanged();
}

void Query::execSql() {
    close();
    if (!connection_)
        throw Exception(QStringLiteral("%1: Missing Connection or ConnectionString").arg(name_));
    std::lock_guard guard(connection_->lock());
    sqlite3 *db = connection_->handle();
    Statement st(db, sql_);
    for (const Parameter &p : params_)
        if (const int index = st.parameterIndex(p.name()))
            st.bind(index, p.value());
    while (st.step()) {
    }
    rowsAffected_ = sqlite3_changes(db);
}

void Query::first() {
    current_ = rows_.empty() ? -1 : 0;
    eof_ = rows_.empty();
    emit currentChanged(current_);
}

void Query::next() {
    if (current_ + 1 < recordCount()) {
        ++current_;
        emit currentChanged(current_);
    } else {
        eof_ = true;
    }
}

void Query::moveTo(int row) {
    if (row < 0 || row >= recordCount() || row == current_)
        return;
    if (state_ == State::Edit || state_ == State::Insert)
        throw Exception(QStringLiteral("Dataset not in browse mode"));
    current_ = row;
    eof_ = false;
    emit currentChanged(current_);
}

void Query::setState(State state) {
    state_ = state;
    emit stateChanged();
}

void Query::requireEditing() const {
    if (state_ != State::Edit && state_ != State::Insert)
        throw Exception(QStringLiteral("Dataset not in edit or insert mode"));
}

void Query::append() {
    if (!active())
        throw Exception(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (!canModify())
        throw Exception(QStringLiteral("Cannot modify a read-only dataset"));
    if (state_ != State::Browse)
        throw Exception(QStringLiteral("Dataset not in browse mode"));
    const int row = recordCount();
    emit rowAboutToBeInserted(row);
    Row fresh;
    fresh.values.resize(fields_.size());
    rows_.push_back(std::move(fresh));
    emit rowInserted(row);
    rowBeforeInsert_ = current_;
    current_ = row;
    eof_ = false;
    modified_.assign(fields_.size(), false);
    setState(State::Insert);
    emit currentChanged(current_);
    if (onNewRecord)
        onNewRecord(*this);
}

void Query::edit() {
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    if (!active())
        throw Exception(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (!canModify())
        throw Exception(QStringLiteral("Cannot modify a read-only dataset"));
    if (rows_.empty()) {
        append();
        return;
    }
    backup_ = rows_[static_cast<size_t>(current_)];
    modified_.assign(fields_.size(), false);
    setState(State::Edit);
}

void Query::post() {
    requireEditing();
    emit aboutToPost();
    Row &row = rows_[static_cast<size_t>(current_)];
    if (state_ == State::Insert)
        postInsert(row);
    else
        postEdit(row);
    setState(State::Browse);
    emit rowChanged(current_);
}

void Query::postInsert(Row &row) {
    QStringList names, marks;
    for (const QString &c : columns_) {
        names << quoteIdentifier(c);
        marks << QStringLiteral("?");
    }
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quoteIdentifier(table_), names.join(u','), marks.join(u','));
    std::lock_guard guard(connection_->lock());
    sqlite3 *db = connection_->handle();
    Statement st(db, sql);
    for (size_t i = 0; i < row.values.size(); ++i)
        st.bind(static_cast<int>(i) + 1, row.values[i]);
    st.step();
    row.rowId = sqlite3_last_insert_rowid(db);
}

void Query::postEdit(Row &row) {
    // Only the fields the operator changed are written: a stored value the
    // list shows cut or empty is never overwritten behind the operator's back.
    QStringList sets;
    std::vector<QVariant> values;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (!modified_[i])
            continue;
        sets << quoteIdentifier(columns_[i]) + QStringLiteral("=?");
        values.push_back(row.values[i]);
    }
    if (sets.isEmpty())
        return;
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_=?").arg(quoteIdentifier(table_), sets.join(u','));
    std::lock_guard guard(connection_->lock());
    sqlite3 *db = connection_->handle();
    Statement st(db, sql);
    int index = 1;
    for (const QVariant &v : values)
        st.bind(index++, v);
    st.bind(index, row.rowId);
    st.step();
    if (sqlite3_changes(db) == 0)
        throw Exception(QStringLiteral(
            "Row cannot be located for updating. Some values may have been changed since it was last read."));
}

void Query::cancel() {
    if (state_ == State::Insert) {
        // The query is whole again before anyone hears of the removal.
        const int row = current_;
        emit rowAboutToBeRemoved(row);
        rows_.erase(rows_.begin() + row);
        current_ = rows_.empty() ? -1 : std::clamp(rowBeforeInsert_, 0, recordCount() - 1);
        eof_ = rows_.empty();
        state_ = State::Browse;
        emit rowRemoved(row);
        emit stateChanged();
        emit currentChanged(current_);
    } else if (state_ == State::Edit) {
        rows_[static_cast<size_t>(current_)] = backup_;
        setState(State::Browse);
        emit rowChanged(current_);
    }
}

void Query::remove() {
    if (!active() || rows_.empty())
        throw Exception(emptyDataSetMessage());
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (!canModify())
        throw Exception(QStringLiteral("Cannot modify a read-only dataset"));
    cancel();
    const int row = current_;
    {
        std::lock_guard guard(connection_->lock());
        Statement st(connection_->handle(),
                     QStringLiteral("DELETE FROM %1 WHERE _rowid_=?").arg(quoteIdentifier(table_)));
        st.bind(1, rows_[static_cast<size_t>(row)].rowId);
        st.step();
    }
    emit rowAboutToBeRemoved(row);
    rows_.erase(rows_.begin() + row);
    current_ = rows_.empty() ? -1 : std::min(row, recordCount() - 1);
    eof_ = rows_.empty();
    emit rowRemoved(row);
    emit currentChanged(current_);
}

QVariant Query::valueAt(int row, int fieldIndex) const {
    if (row < 0 || row >= recordCount() || fieldIndex < 0 || fieldIndex >= fieldCount())
        return {};
    return rows_[static_cast<size_t>(row)].values[static_cast<size_t>(fieldIndex)];
}

QVariant Query::readValue(int fieldIndex) const {
    return valueAt(active_ >= 0 ? active_ : current_, fieldIndex);
}

void Query::writeValue(int fieldIndex, const QVariant &value) {
    requireEditing();
    rows_[static_cast<size_t>(current_)].values[static_cast<size_t>(fieldIndex)] = value;
    modified_[static_cast<size_t>(fieldIndex)] = true;
    emit rowChanged(current_);
}

Query::ActiveRecordScope::ActiveRecordScope(Query &query, int row) : query_(query), previous_(query.active_) {
    query_.active_ = row;
}

Query::ActiveRecordScope::~ActiveRecordScope() { query_.active_ = previous_; }

} // namespace kestrune::db
