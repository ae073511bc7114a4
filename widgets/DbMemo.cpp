#include "widgets/DbMemo.h"

#include "db/DataSource.h"
#include "db/Query.h"

#include <QFocusEvent>

namespace kestrune {

namespace {

bool isPending(const db::Query *q) {
    return q && (q->state() == db::Query::State::Edit || q->state() == db::Query::State::Insert);
}

} // namespace

DbMemo::DbMemo(QWidget *parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the box, as it does from every other control.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_)
            modified_ = true;
    });
}

void DbMemo::bind(db::DataSource *source, const QString &fieldName) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    fieldName_ = fieldName;
    modified_ = false;
    if (source_) {
        connect(source_, &db::DataSource::recordChanged, this, &DbMemo::showField);
        connect(source_, &db::DataSource::dataSetChanged, this, [this] {
            modified_ = false;
            showField();
        });
        connect(source_, &db::DataSource::stateChanged, this, &DbMemo::stateChanged);
        connect(source_, &db::DataSource::aboutToPost, this, &DbMemo::updateRecord);
    }
    showField();
}

void DbMemo::showField() {
    if (showing_)
        return;
    db::Query *q = source_ ? source_->dataSet() : nullptr;
    db::Field *field = (q && q->active() && q->recNo() >= 0) ? q->findField(fieldName_) : nullptr;
    const QVariant value = field ? field->value() : QVariant();
    // Another control's write changes the row too; what the operator is
    // typing here stays until this field itself changes.
    if (modified_ && isPending(q) && value == shown_)
        return;
    const QString text = field ? field->asString() : QString();
    shown_ = value;
    modified_ = false;
    if (text != fieldText()) {
        showing_ = true;
        setPlainText(text);
        showing_ = false;
    }
}

void DbMemo::stateChanged() {
    db::Query *q = source_ ? source_->dataSet() : nullptr;
    if (!isPending(q)) {
        modified_ = false;
        showField();
    }
}

QString DbMemo::fieldText() const {
    QString text = toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void DbMemo::updateRecord() {
    if (isReadOnly() || !modified_ || !source_ || !source_->dataSet())
        return;
    db::Query *q = source_->dataSet();
    if (!isPending(q))
        return;
    db::Field *field = q->findField(fieldName_);
    if (!field)
        return;
    const QString text = fieldText();
    showing_ = true;
    if (field->isNull() || field->asString() != text)
        field->setAsString(text);
    showing_ = false;
    shown_ = field->value();
    modified_ = false;
}

void DbMemo::focusOutEvent(QFocusEvent *event) {
    // Focus that goes to a message box or a menu does not leave the box.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason)
        updateRecord();
    QPlainTextEdit::focusOutEvent(event);
}

} // namespace kestrune
