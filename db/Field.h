#pragma once
// A typed field of a query's current row, as the data-aware controls, the
// editor's checks and the launch read it: kind, width in ANSI bytes, Tag,
// display label, null test, text and integer values.

#include <QString>
#include <QVariant>

namespace kestrune::db {

class Query;

enum class FieldKind { Text, Integer, Memo };

// A text field holds at most this many bytes of the ANSI code page unless it
// declares its own width.
constexpr int DefaultTextFieldSize = 20;

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Text;
    int tag = 0;
    QString displayLabel; // the field's name when empty
    int size = DefaultTextFieldSize; // bytes; for text fields only
};

class Field {
public:
    const QString &fieldName() const { return def_.name; }
    FieldKind kind() const { return def_.kind; }
    int size() const { return def_.kind == FieldKind::Text ? def_.size : 0; }
    int tag() const { return def_.tag; }
    QString displayLabel() const { return def_.displayLabel.isEmpty() ? def_.name : def_.displayLabel; }
    int index() const { return index_; }

    bool isNull() const;
    QVariant value() const;
    // Text of the value: an integer in decimal, the empty text for null.
    QString asString() const;
    // Integer value; 0 for null. A text that is not an integer is refused
    // with "'<text>' is not a valid integer value".
    int asInteger() const;

    // Writes need the query in edit or insert state. A text longer than the
    // field's width is cut between characters; an integer field takes the
    // empty text as null and refuses text that is not a 32-bit integer.
    void setAsString(const QString &text);
    void setAsInteger(int value);
    void clear();

private:
    friend class Query;
    Field(Query *query, int index, FieldDef def) : query_(query), index_(index), def_(std::move(def)) {}

    Query *query_;
    int index_;
    FieldDef def_;
};

} // namespace kestrune::db
