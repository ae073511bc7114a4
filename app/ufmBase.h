#pragma once
// TfmBase, the window every Kestrune window derives from: the 宋体 12 px
// font, the button-face background, a place in the middle of the screen, and
// key preview: FormKeyDown sees every key before the focused control does.
// Its one rule: Enter moves on to the next control, as a Tab would, while the
// focused control still gets the Enter.
//
// Windows derive from QDialog so that any of them can be shown modally;
// QDialog's own Enter and Escape handling is switched off, the close box
// gives the cancel result 2, and exec() returns the modal result.

#include <QDialog>
#include <functional>

class QKeyEvent;

namespace kestrune {

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

constexpr int VK_TAB = 9;
constexpr int VK_RETURN = 13;
constexpr int VK_ESCAPE = 27;

// The virtual key code of a key event (Enter 13, Escape 27, Tab 9, letters
// and digits as themselves); 0 for keys Kestrune has no code for.
int virtualKeyCode(const QKeyEvent &event);

// The window font: 宋体 at a character height of 12 pixels, with fallbacks
// for systems that lack it.
QFont windowFont();

// A control's own key handler: runs for each key pressed in `control`, after
// its window's FormKeyDown has seen the key. Setting Key to 0 consumes it.
using KeyDownHandler = std::function<void(int &Key, Qt::KeyboardModifiers Shift)>;
void setKeyDownHandler(QWidget *control, KeyDownHandler handler);

class TfmBase : public QDialog {
    Q_OBJECT
public:
    explicit TfmBase(QWidget *parent = nullptr);

    // Runs for every key pressed in this window before the focused control
    // sees it. Setting Key to 0 consumes the key.
    virtual void FormKeyDown(int &Key, Qt::KeyboardModifiers Shift);

    // Closes a modal window with `result` (mrOk, mrCancel).
    void setModalResult(int result) { done(result); }

    // Size of the area inside the frame.
    virtual void setClientSize(int width, int height);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool placed_ = false;
};

} // namespace kestrune
