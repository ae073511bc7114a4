#include "access/udlgLogin.h"

#include "app/KestruneApplication.h"
#include "app/uPubData.h"
#include "platform/Exception.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <memory>

namespace kestrune {

int CurrentOperatorID = 0;

namespace {

[[noreturn]] void abortStartup(const QString &text) {
    ShowMsg(text, QStringLiteral("提示"));
    throw StartupAborted(ExitLoginFailed);
}

// The stored start-up password; empty when none is set (no row, NULL or
// empty text).
QString readStartupPassword() {
    try {
        return PubData->OpenSQL(QStringLiteral("select MM FROM CZYMM WHERE ID=1")).field(0).asString();
    } catch (const Exception &e) {
        abortStartup(QStringLiteral("读取启动密码时数据库出错，程序将退出。\r\n") + e.message());
    }
}

int readOperatorID() {
    try {
        db::Query &q = PubData->OpenSQL(QStringLiteral("select ID,GH,MC from CZY where ID=1"));
        if (!q.isEmpty())
            return q.fieldByName(QStringLiteral("ID")).asInteger();
    } catch (const Exception &e) {
        abortStartup(QStringLiteral("读取操作员信息时数据库出错，程序将退出。\r\n") + e.message());
    }
    abortStartup(QStringLiteral("数据库中没有编号为 1 的操作员（表 CZY），程序无法继续运行，将退出。"));
}

} // namespace

bool DoLogin() {
    auto dlg = std::make_unique<TdlgLogin>();
    dlg->FPassword = readStartupPassword();
    const bool granted = dlg->FPassword.isEmpty() || dlg->exec() == mrOk;
    if (granted)
        CurrentOperatorID = readOperatorID();
    return granted;
}

void TClickLabel::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent *event) {
    // A click is a press and a release of the left button over the label.
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

TdlgLogin::TdlgLogin(QWidget *parent) : TdlgBase(parent) {
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(QStringLiteral("登录窗口"));
    setClientSize(521, 269);
    setFixedSize(521, 269);

    // The picture lies beneath everything else and shows where to type and
    // where to click.
    imgBack = new QLabel(this);
    imgBack->setObjectName(QStringLiteral("imgBack"));
    imgBack->setPixmap(QPixmap(QStringLiteral(":/login/login.jpg")));
    imgBack->move(0, 0);
    imgBack->resize(imgBack->pixmap().isNull() ? QSize(522, 270) : imgBack->pixmap().size());
    imgBack->lower();

    Label3 = new TClickLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(401, 112, 80, 73);
    Label3->setCursor(Qt::PointingHandCursor);

    btnOk->setText(QStringLiteral("登录"));
    btnOk->setGeometry(255, 212, 68, 25);
    btnOk->hide();
    btnExit->setText(QStringLiteral("退出"));
    btnExit->setGeometry(335, 212, 68, 25);
    btnExit->hide();

    eMM = new QLineEdit(this);
    eMM->setObjectName(QStringLiteral("eMM"));
    eMM->setGeometry(205, 143, 152, 16);
    eMM->setFrame(false);
    eMM->setEchoMode(QLineEdit::Password);
    eMM->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    setKeyDownHandler(eMM, [this](int &Key, Qt::KeyboardModifiers Shift) { eMMKeyDown(Key, Shift); });

    setTabOrder(eMM, btnOk);
    setTabOrder(btnOk, btnExit);
    eMM->setFocus();

    connect(btnOk, &QPushButton::clicked, this, [this] { KestruneApplication::guard([this] { btnOkClick(); }); });
    connect(Label3, &TClickLabel::clicked, this, [this] { KestruneApplication::guard([this] { btnOkClick(); }); });
}

void TdlgLogin::btnOkClick() {
    // Exactly as stored: letter case and blanks count.
    if (eMM->text() != FPassword) {
        ShowMsg(QStringLiteral("输入的密码不正确！"), QStringLiteral("提示"));
        return;
    }
    setModalResult(mrOk);
}

void TdlgLogin::eMMKeyDown(int &Key, Qt::KeyboardModifiers) {
    if (Key == VK_RETURN)
        btnOk->click();
}

void TdlgLogin::FormKeyDown(int &Key, Qt::KeyboardModifiers Shift) {
    TdlgBase::FormKeyDown(Key, Shift);
    if (Key == VK_ESCAPE)
        btnExit->click();
}

} // namespace kestrune
