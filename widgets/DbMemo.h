#pragma once
// A multi-line text box bound to one field of a data source: it shows the
// field of the current row and, unless read-only, hands its text back to the
// field before the row is posted.

#include <QPlainTextEdit>
#include <QPointer>

namespace kestrune::db {
class DataSource;
}

namespace kestrune {

class DbMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DbMemo(QWidget *parent = nullptr);

    void bind(db::DataSource *source, const QString &fieldName);
    const QString &fieldName() const { return fieldName_; }

    // Writes the text into the field when it differs from the field's value.
    void updateRecord();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void showField();

    QPointer<db::DataSource> source_;
    QString fieldName_;
    bool showing_ = false;
};

} // namespace kestrune
