#pragma once
// The start-up login. When a start-up password is stored for operator 1, the
// login window asks for it after the database is open and before the main
// window exists; without the right password the main window never opens.

#include "app/udlgBase.h"

#include <QLabel>
#include <QString>

class QLineEdit;
class QMouseEvent;

namespace kestrune {

// ID of the operator read at login (the CZY row with ID 1). The main window
// passes it to ShowPasswordDialog. 0 until a login has been granted.
extern int CurrentOperatorID;

// Exit status of a start-up ended because the login could not read the
// start-up password or the operator.
constexpr int ExitLoginFailed = 3;

// The start-up gate, run after PubData is created and before the main window.
//
// Returns true when start-up goes on: no start-up password is stored (no row,
// NULL or empty text), or the stored text was typed exactly. Either way
// CurrentOperatorID is then set from the CZY row with ID 1.
// Returns false when the login window was cancelled (Escape or the close
// box); the program then ends with exit status 0 and no main window.
//
// When either query fails (the engine's error), or a granted login finds no
// CZY row with ID 1, it shows the reason under the caption "提示" and throws
// StartupAborted(ExitLoginFailed): the program ends with that status. The
// login window is destroyed on every path.
bool DoLogin();

// A label that reports a click, as the login area over the picture does.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool pressed_ = false;
};

// The login window "登录窗口": the password edit and the clickable login
// area lie over the background picture; the two buttons are hidden.
class TdlgLogin : public TdlgBase {
    Q_OBJECT
public:
    explicit TdlgLogin(QWidget *parent = nullptr);

    QLabel *imgBack;
    TClickLabel *Label3;
    QLineEdit *eMM;

    // The stored start-up password the typed text is compared with.
    QString FPassword;

    void btnOkClick();
    void eMMKeyDown(int &Key, Qt::KeyboardModifiers Shift);
    void FormKeyDown(int &Key, Qt::KeyboardModifiers Shift) override;
};

} // namespace kestrune
