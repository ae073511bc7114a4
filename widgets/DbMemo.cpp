#include "widgets/DbMemo.h"

#include "db/Query.h"
#include "widgets/FieldDataLink.h"

#include <QFocusEvent>

namespace kestrune {

DbMemo::DbMemo(QWidget *parent) : QPlainTextEdit(parent), link_(new FieldDataLink(this)) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the box, as it does from every other control.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_)
            link_->setModified(true);
    });
    connect(link_, &FieldDataLink::refreshNeeded, this, &DbMemo::showField);
    connect(link_, &FieldDataLink::aboutToPost, this, &DbMemo::updateRecord);
}

void DbMemo::bind(db::DataSource *source, const QString &fieldName) { link_->bind(source, fieldName); }

const QString &DbMemo::fieldName() const { return link_->fieldName(); }

void DbMemo::showField() {
    if (showing_)
        return;
    const std::optional<QString> text = link_->textToShow();
    if (text && *text != fieldText()) {
        showing_ = true;
        setPlainText(*text);
        showing_ = false;
    }
}

QString DbMemo::fieldText() const {
    QString text = toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void DbMemo::updateRecord() {
    if (isReadOnly() || !link_->modified() || !link_->editing())
        return;
    db::Field *field = link_->field();
    if (!field)
        return;
    const QString text = fieldText();
    showing_ = true;
    if (field->isNull() || field->asString() != text)
        field->setAsString(text);
    showing_ = false;
    link_->noteWritten();
}

void DbMemo::focusOutEvent(QFocusEvent *event) {
    // Focus that goes to a message box or a menu does not leave the box.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason)
        updateRecord();
    QPlainTextEdit::focusOutEvent(event);
}

} // namespace kestrune
