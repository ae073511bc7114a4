#include "widgets/FieldDataLink.h"

#include "db/DataSource.h"
#include "db/Query.h"

namespace kestrune {

void FieldDataLink::bind(db::DataSource *source, const QString &fieldName) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    fieldName_ = fieldName;
    modified_ = false;
    if (source_) {
        connect(source_, &db::DataSource::recordChanged, this, &FieldDataLink::refreshNeeded);
        connect(source_, &db::DataSource::dataSetChanged, this, [this] {
            modified_ = false;
            emit refreshNeeded();
        });
        connect(source_, &db::DataSource::stateChanged, this, [this] {
            // A posted or cancelled row: nothing typed is pending any more.
            if (!editing()) {
                modified_ = false;
                emit refreshNeeded();
            }
        });
        connect(source_, &db::DataSource::aboutToPost, this, &FieldDataLink::aboutToPost);
    }
    emit refreshNeeded();
}

db::Query *FieldDataLink::query() const { return source_ ? source_->dataSet() : nullptr; }

db::Field *FieldDataLink::field() const {
    db::Query *q = query();
    return q ? q->findField(fieldName_) : nullptr;
}

bool FieldDataLink::onRow() const {
    const db::Query *q = query();
    return q && q->active() && q->recNo() >= 0;
}

bool FieldDataLink::editing() const {
    const db::Query *q = query();
    return q && (q->state() == db::Query::State::Edit || q->state() == db::Query::State::Insert);
}

std::optional<QString> FieldDataLink::textToShow() {
    db::Field *f = onRow() ? field() : nullptr;
    const QVariant value = f ? f->value() : QVariant();
    if (modified_ && editing() && value == shown_)
        return std::nullopt;
    shown_ = value;
    modified_ = false;
    return f ? f->asString() : QString();
}

void FieldDataLink::noteWritten() {
    db::Field *f = field();
    shown_ = f ? f->value() : QVariant();
    modified_ = false;
}

} // namespace kestrune
