#include "widgets/DbEdit.h"

#include "db/Query.h"
#include "widgets/FieldDataLink.h"
#include "platform/GbkCodec.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <utility>

namespace kestrune {

// Sees every change of the line edit's text before it shows, whether typed,
// pasted, dropped or composed by an input method.
class DbEditInputGuard : public QValidator {
public:
    explicit DbEditInputGuard(DbEdit *edit) : QValidator(edit), edit_(edit) {}

    State validate(QString &input, int &pos) const override {
        return static_cast<State>(edit_->checkInput(input, pos));
    }

private:
    DbEdit *edit_;
};

namespace {

bool takesIntegerCharacter(QChar c) { return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-'; }

// Focus that goes to another window (a message box, a menu) does not leave
// the edit in the operator's sense: the text is handed over when the
// operator moves to another control.
bool leavesEdit(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

} // namespace

DbEdit::DbEdit(QWidget *parent) : QLineEdit(parent), link_(new FieldDataLink(this)) {
    setValidator(new DbEditInputGuard(this));
    connect(link_, &FieldDataLink::refreshNeeded, this, &DbEdit::showField);
    connect(link_, &FieldDataLink::aboutToPost, this, &DbEdit::updateRecord);
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) { accepted_ = text; });
    connect(this, &QLineEdit::textEdited, this, [this] {
        link_->setModified(true);
        refused_ = false;
    });
}

void DbEdit::bind(db::DataSource *source, const QString &fieldName) { link_->bind(source, fieldName); }

const QString &DbEdit::fieldName() const { return link_->fieldName(); }

db::Field *DbEdit::field() const { return link_->field(); }

int DbEdit::maxBytes() const {
    const db::Field *f = field();
    return f && f->kind() == db::FieldKind::Text ? f->size() : 0;
}

void DbEdit::showField() {
    if (writing_)
        return;
    const std::optional<QString> text = link_->textToShow();
    if (!text)
        return;
    showing_ = true;
    setText(*text);
    showing_ = false;
    refused_ = false;
}

void DbEdit::updateRecord() {
    if (isReadOnly() || !link_->modified() || !link_->editing())
        return;
    db::Field *f = field();
    if (!f)
        return;
    writing_ = true;
    try {
        // An emptied edit gives a text field the empty text and an integer
        // field null.
        f->setAsString(text());
    } catch (...) {
        writing_ = false;
        refused_ = true;
        throw;
    }
    writing_ = false;
    link_->setModified(false);
    refused_ = false;
    // Show the value as the field holds it ("+5" becomes "5").
    showField();
}

void DbEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    if (!leavesEdit(event->reason()))
        return;
    try {
        updateRecord();
    } catch (...) {
        const bool queued = static_cast<bool>(pendingError_);
        pendingError_ = std::current_exception();
        // Told after the focus change (and any click that caused it) is
        // over, so that no box opens in the middle of a mouse press.
        if (!queued)
            QMetaObject::invokeMethod(this, &DbEdit::reportRefusal, Qt::QueuedConnection);
    }
}

void DbEdit::reportRefusal() {
    if (!pendingError_)
        return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        QTimer::singleShot(20, this, &DbEdit::reportRefusal);
        return;
    }
    const std::exception_ptr error = std::exchange(pendingError_, nullptr);
    // The window closed meanwhile ("返回"): its row is dropped, nothing to say.
    if (!window()->isVisible())
        return;
    setFocus(Qt::OtherFocusReason);
    selectAll();
    if (onError)
        onError(error);
    else
        std::rethrow_exception(error);
}

int DbEdit::checkInput(QString &input, int &pos) {
    const QString &before = accepted_;
    if (showing_ || input == before)
        return QValidator::Acceptable;

    // Split the new text into the head and tail it shares with the old one
    // and the piece in between that was inserted. The cursor stands right
    // after an insertion, which tells apart the places where equal
    // characters would make the split ambiguous.
    qsizetype tail = input.size() - pos;
    if (pos < 0 || tail < 0 || tail > before.size() || QStringView(input).right(tail) != QStringView(before).right(tail)) {
        tail = 0;
        while (tail < input.size() && tail < before.size() && input[input.size() - 1 - tail] == before[before.size() - 1 - tail])
            ++tail;
    }
    const qsizetype headLimit = std::min(input.size(), before.size()) - tail;
    qsizetype head = 0;
    while (head < headLimit && input[head] == before[head])
        ++head;
    const QString inserted = input.mid(head, input.size() - tail - head);
    if (inserted.isEmpty())
        return QValidator::Acceptable; // only a deletion

    const db::Field *f = field();
    if (f && f->kind() == db::FieldKind::Integer) {
        if (!std::all_of(inserted.begin(), inserted.end(), takesIntegerCharacter)) {
            refuseInput();
            return QValidator::Invalid;
        }
        return QValidator::Acceptable;
    }
    if (!platform::isGbkEncodable(inserted)) {
        refuseInput();
        return QValidator::Invalid;
    }
    const int limit = maxBytes();
    if (limit <= 0)
        return QValidator::Acceptable;
    const QString kept = input.left(head) + input.right(tail);
    const int room = limit - platform::gbkLength(kept);
    const QString fits = room > 0 ? platform::truncateToGbkBytes(inserted, room) : QString();
    if (fits.isEmpty())
        return QValidator::Invalid; // the edit is full
    if (fits.size() != inserted.size()) {
        input = input.left(head) + fits + input.right(tail);
        pos = static_cast<int>(head + fits.size());
    }
    return QValidator::Acceptable;
}

void DbEdit::refuseInput() {
    QApplication::beep();
    emit inputRefused();
}

} // namespace kestrune
