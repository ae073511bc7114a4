#pragma once
// TdlgBase, the base of Kestrune's dialogs: a fixed dialog border and the
// pair "确定" / "关闭", kept at their distance from the bottom-right corner.
// Neither button is the default or the cancel button; "关闭" closes the
// dialog with the cancel result.

#include "app/ufmBase.h"

class QPushButton;

namespace kestrune {

class TdlgBase : public TfmBase {
    Q_OBJECT
public:
    explicit TdlgBase(QWidget *parent = nullptr);

    QPushButton *btnOk;
    QPushButton *btnExit;

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace kestrune
