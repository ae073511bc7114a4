#include "app/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kestrune {

namespace {

MessageAnswerer &answerer() {
    static MessageAnswerer a;
    return a;
}

QWidget *activeOwner() {
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

int showBox(const MessageRequest &request) {
    if (answerer())
        return answerer()(request);
    QMessageBox box(request.owner);
    box.setIcon(request.kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    box.setTextFormat(Qt::PlainText);
    if (request.kind == MessageKind::YesNo) {
        QPushButton *yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        // Closing the box any other way is not a Yes.
        return box.clickedButton() == yes ? IDYES : IDNO;
    }
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.exec();
    return IDOK;
}

} // namespace

MessageAnswerer setMessageAnswerer(MessageAnswerer a) {
    MessageAnswerer previous = std::move(answerer());
    answerer() = std::move(a);
    return previous;
}

void ShowMsg(const QString &text, const QString &caption) {
    showBox({MessageKind::Ok, text, caption, activeOwner()});
}

int AskYesNo(const QString &text, const QString &caption) {
    return showBox({MessageKind::YesNo, text, caption, activeOwner()});
}

void ShowError(const QString &text) {
    showBox({MessageKind::Error, text, QGuiApplication::applicationDisplayName(), activeOwner()});
}

} // namespace kestrune
