#pragma once
// The password setting dialog "密码设置": stores a new start-up password for
// an operator in CZYMM at once; the login window asks for it at the next start.

#include "app/udlgBase.h"

class QLabel;
class QLineEdit;

namespace kestrune {

// Shows the dialog modally for `operatorID` (the main window passes
// CurrentOperatorID) and destroys it when it closes, however it closes.
void ShowPasswordDialog(int operatorID);

// The longest a start-up password set here may be, in GBK bytes.
constexpr int MaxPasswordBytes = 8;

class TdlgMMSZ : public TdlgBase {
    Q_OBJECT
public:
    explicit TdlgMMSZ(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *eMM;

    // The operator whose password is set.
    int FOperatorID = 0;

    // Trims the entry, refuses an empty one, writes it and closes the dialog.
    // A database error is thrown on: the dialog stays open.
    void btnOkClick();
    void eMMKeyDown(int &Key, Qt::KeyboardModifiers Shift);
};

} // namespace kestrune
