#include "widgets/DbMemo.h"

#include "db/DataSource.h"
#include "db/Query.h"

namespace kestrune {

DbMemo::DbMemo(QWidget *parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the box, as it does from every other control.
    setTabChangesFocus(true);
}

void DbMemo::bind(db::DataSource *source, const QString &fieldName) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    fieldName_ = fieldName;
    if (source_) {
        connect(source_, &db::DataSource::recordChanged, this, &DbMemo::showField);
        connect(source_, &db::DataSource::dataSetChanged, this, &DbMemo::showField);
        connect(source_, &db::DataSource::aboutToPost, this, &DbMemo::updateRecord);
    }
    showField();
}

void DbMemo::showField() {
    if (showing_)
        return;
    db::Query *q = source_ ? source_->dataSet() : nullptr;
    db::Field *field = (q && q->active() && q->recNo() >= 0) ? q->findField(fieldName_) : nullptr;
    const QString text = field ? field->asString() : QString();
    if (text != toPlainText()) {
        showing_ = true;
        setPlainText(text);
        showing_ = false;
    }
}

void DbMemo::updateRecord() {
    if (isReadOnly() || !source_ || !source_->dataSet())
        return;
    db::Query *q = source_->dataSet();
    if (q->state() != db::Query::State::Edit && q->state() != db::Query::State::Insert)
        return;
    db::Field *field = q->findField(fieldName_);
    if (!field || field->asString() == toPlainText())
        return;
    showing_ = true;
    // An emptied box leaves the remarks empty, not absent.
    field->setAsString(toPlainText());
    showing_ = false;
}

void DbMemo::focusOutEvent(QFocusEvent *event) {
    updateRecord();
    QPlainTextEdit::focusOutEvent(event);
}

} // namespace kestrune
