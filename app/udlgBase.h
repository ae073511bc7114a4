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

    QPushButton *btnOk = nullptr;
    QPushButton *btnExit = nullptr;

    // Anchored right and bottom: a new size moves both buttons with the
    // corner. Dialogs that place the buttons themselves do so afterwards.
    void setClientSize(int width, int height) override;
};

} // namespace kestrune
