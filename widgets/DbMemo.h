#pragma once
// A multi-line text box bound to one field of a data source: it shows the
// field of the current row and, unless read-only, hands the text the
// operator typed back to the field when the box is left and before the row
// is posted. Line breaks are kept as CR LF, as the remarks are stored.

#include <QPlainTextEdit>

namespace kestrune::db {
class DataSource;
}

namespace kestrune {

class FieldDataLink;

class DbMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DbMemo(QWidget *parent = nullptr);

    void bind(db::DataSource *source, const QString &fieldName);
    const QString &fieldName() const;

    // Writes the text into the field when the operator changed it and the
    // row is being edited. An emptied box leaves the empty text, not null.
    void updateRecord();

    // The box's text with the line breaks the field stores (CR LF).
    QString fieldText() const;

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void showField();

    FieldDataLink *link_;
    bool showing_ = false;
};

} // namespace kestrune
