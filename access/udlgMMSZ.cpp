#include "access/udlgMMSZ.h"

#include "app/KestruneApplication.h"
#include "app/uPubData.h"
#include "platform/GbkCodec.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <algorithm>
#include <memory>

namespace kestrune {

namespace {

// Holds an edit's text to a number of GBK bytes, as an edit's length limit
// does on Windows: what is typed or pasted is cut to the room left at the
// cursor, so the text already there never changes.
class GbkLengthLimit : public QValidator {
public:
    GbkLengthLimit(int maxBytes, QLineEdit *edit) : QValidator(edit), maxBytes_(maxBytes) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { previous_ = text; });
    }

    State validate(QString &input, int &pos) const override {
        if (platform::gbkLength(input) <= maxBytes_)
            return Acceptable;
        // The edit put new text before the cursor, in place of what was
        // selected: the part after the cursor was there before, and so was
        // the head that both texts share.
        const QString tail = input.mid(pos);
        int head = 0;
        const int headRoom = std::min<int>(pos, static_cast<int>(previous_.size() - tail.size()));
        while (head < headRoom && input.at(head) == previous_.at(head))
            ++head;
        if (head > 0 && head < input.size() && input.at(head).isLowSurrogate())
            --head;
        const QString kept = input.left(head);
        const int room = maxBytes_ - platform::gbkLength(kept) - platform::gbkLength(tail);
        if (room < 0 || !previous_.endsWith(tail)) {
            // Not an insertion at the cursor (a text set as a whole): keep
            // the head that fits.
            input = platform::truncateToGbkBytes(input, maxBytes_);
            pos = std::min<int>(pos, static_cast<int>(input.size()));
            return Acceptable;
        }
        const QString inserted = platform::truncateToGbkBytes(input.mid(head, pos - head), room);
        input = kept + inserted + tail;
        pos = static_cast<int>(kept.size() + inserted.size());
        return Acceptable;
    }

private:
    int maxBytes_;
    QString previous_;
};

// Trims the characters whose code is 32 or less (blanks and control
// characters) at both ends; other blanks, such as the full-width one, stay.
QString trimControls(const QString &text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

} // namespace

void ShowPasswordDialog(int operatorID) {
    auto dlg = std::make_unique<TdlgMMSZ>();
    dlg->FOperatorID = operatorID;
    dlg->exec();
}

TdlgMMSZ::TdlgMMSZ(QWidget *parent) : TdlgBase(parent) {
    setObjectName(QStringLiteral("dlgMMSZ"));
    setWindowTitle(QStringLiteral("密码设置"));
    setClientSize(210, 111);
    setFixedSize(210, 111);

    Label1 = new QLabel(QStringLiteral("新密码："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(24, 32, 48, 12);

    eMM = new QLineEdit(this);
    eMM->setObjectName(QStringLiteral("eMM"));
    eMM->setGeometry(72, 28, 105, 20);
    eMM->setEchoMode(QLineEdit::Password);
    eMM->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    eMM->setValidator(new GbkLengthLimit(MaxPasswordBytes, eMM));
    setKeyDownHandler(eMM, [this](int &Key, Qt::KeyboardModifiers Shift) { eMMKeyDown(Key, Shift); });

    btnOk->setGeometry(51, 75, 68, 25);
    btnExit->setGeometry(131, 75, 68, 25);

    setTabOrder(eMM, btnOk);
    setTabOrder(btnOk, btnExit);
    eMM->setFocus();

    // A database error ends the click at the error and goes to the default
    // error handler; the dialog stays open.
    connect(btnOk, &QPushButton::clicked, this, [this] { KestruneApplication::guard([this] { btnOkClick(); }); });
}

void TdlgMMSZ::btnOkClick() {
    const QString password = trimControls(eMM->text());
    if (password.isEmpty()) {
        ShowMsg(QStringLiteral("密码不能为空！"), QStringLiteral("提示"));
        return;
    }
    db::Query &q = PubData->Q;
    q.close();
    q.setSql(QStringLiteral("UPDATE CZYMM SET MM=:MM WHERE ID=:ID"));
    q.paramByName(QStringLiteral("ID")).setAsInteger(FOperatorID);
    q.paramByName(QStringLiteral("MM")).setAsString(password);
    q.execSql();
    // An update counts the operator's row also when it already held this
    // text, so the insert runs only when there is no row.
    if (q.rowsAffected() == 0) {
        q.setSql(QStringLiteral("INSERT INTO CZYMM (ID,MM) VALUES (:ID,:MM)"));
        q.paramByName(QStringLiteral("ID")).setAsInteger(FOperatorID);
        q.paramByName(QStringLiteral("MM")).setAsString(password);
        q.execSql();
    }
    setModalResult(mrOk);
}

void TdlgMMSZ::eMMKeyDown(int &Key, Qt::KeyboardModifiers) {
    if (Key == VK_RETURN)
        btnOk->click();
}

} // namespace kestrune
