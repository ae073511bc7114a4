#pragma once
// A single-line edit bound to one field of a data source. It shows the field
// of the current row and takes only what the field can hold: a text field's
// width in GBK bytes (a Chinese character counts two; a paste is cut at the
// limit between characters; a character GBK has no code for is refused with
// a beep), and for an integer field only the digits, "+" and "-". The text
// the operator typed goes into the field when the edit is left and before
// the row is posted; a text the field refuses keeps the focus in the edit.

#include <QLineEdit>

#include <exception>
#include <functional>

namespace kestrune::db {
class DataSource;
class Field;
class Query;
}

namespace kestrune {

class FieldDataLink;

class DbEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DbEdit(QWidget *parent = nullptr);

    void bind(db::DataSource *source, const QString &fieldName);
    const QString &fieldName() const;
    // The bound field, or nullptr while there is none.
    db::Field *field() const;

    // GBK bytes the edit takes; 0 for no limit (integer and memo fields).
    int maxBytes() const;

    // Hands the typed text to the field, when the operator changed it and
    // the row is being edited. Throws the data layer's error when the field
    // refuses it ("'1-2' is not a valid integer value"); the text stays.
    void updateRecord();

    // True when the field refused the text the edit was last left with and
    // the text has not changed since: the operator is being told about it.
    bool textRefused() const { return refused_; }

    // Reports a text the field refused when the edit was left. The window
    // sets it to the program's default error handler; without one the error
    // is thrown again from a queued call of the edit's own, for the
    // application's handler to show.
    std::function<void(std::exception_ptr)> onError;

signals:
    // A typed or pasted text was refused with a beep.
    void inputRefused();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class DbEditInputGuard;

    // What the line edit's validator asks: may `input` replace the shown
    // text? It may be cut to the byte limit.
    int checkInput(QString &input, int &pos);
    void refuseInput();
    void showField();
    void reportRefusal();

    FieldDataLink *link_;
    QString accepted_;   // the text before the change being checked
    bool showing_ = false;
    bool writing_ = false;
    bool refused_ = false;
    std::exception_ptr pendingError_;
};

} // namespace kestrune
