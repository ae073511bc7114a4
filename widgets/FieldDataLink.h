#pragma once
// What every control bound to one field of a data source shares: which
// field it shows, whether the operator has typed into it since it last
// showed the field, and when to show the field again. A control's pending
// text survives another control's write to the same row; it gives way when
// this field itself changes, the row moves, or the row is posted or
// cancelled.

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <optional>

namespace kestrune::db {
class DataSource;
class Field;
class Query;
}

namespace kestrune {

class FieldDataLink : public QObject {
    Q_OBJECT
public:
    explicit FieldDataLink(QObject *control) : QObject(control) {}

    void bind(db::DataSource *source, const QString &fieldName);
    const QString &fieldName() const { return fieldName_; }
    db::Query *query() const;
    // The bound field, or nullptr while there is none.
    db::Field *field() const;
    // The query is open on a row.
    bool onRow() const;
    // The row is pending: being edited or inserted.
    bool editing() const;

    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // The text the control should show now, or nothing when the operator's
    // pending text must stay.
    std::optional<QString> textToShow();
    // The control has handed its text to the field and shows what it holds.
    void noteWritten();

signals:
    // The control should ask textToShow() again.
    void refreshNeeded();
    // The control hands its pending text to the field now.
    void aboutToPost();

private:
    QPointer<db::DataSource> source_;
    QString fieldName_;
    QVariant shown_; // the field value the control last showed
    bool modified_ = false;
};

} // namespace kestrune
