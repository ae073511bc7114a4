#include "app/ufmBase.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace kestrune {

namespace {

// Routes each key press to the FormKeyDown of the window it happens in,
// before the focused control sees it. Installed once, on the application.
class KeyPreview : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget)
            return false;
        // A key the focused control ignores travels on to its parents; the
        // window sees it once, on its first delivery.
        QWidget *focus = QApplication::focusWidget();
        if (focus ? widget != focus : !widget->isWindow())
            return false;
        auto *form = qobject_cast<TfmBase *>(widget->window());
        if (!form)
            return false;
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        int key = virtualKeyCode(*keyEvent);
        if (key == 0)
            return false;
        form->FormKeyDown(key, keyEvent->modifiers());
        return key == 0;
    }
};

void installKeyPreview() {
    static KeyPreview *preview = nullptr;
    if (!preview && qApp) {
        preview = new KeyPreview(qApp);
        qApp->installEventFilter(preview);
    }
}

// Calls one control's key handler; owned by the control.
class ControlKeyDown : public QObject {
public:
    ControlKeyDown(QWidget *control, KeyDownHandler handler) : QObject(control), handler_(std::move(handler)) {}

    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        int key = virtualKeyCode(*keyEvent);
        if (key == 0)
            return false;
        handler_(key, keyEvent->modifiers());
        return key == 0;
    }

private:
    KeyDownHandler handler_;
};

} // namespace

void setKeyDownHandler(QWidget *control, KeyDownHandler handler) {
    control->installEventFilter(new ControlKeyDown(control, std::move(handler)));
}

int virtualKeyCode(const QKeyEvent &event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
        return VK_TAB;
    default:
        break;
    }
    const int key = event.key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // the same codes as the virtual keys
    return 0;
}

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    return font;
}

TfmBase::TfmBase(QWidget *parent) : QDialog(parent) {
    installKeyPreview();
    setWindowTitle(QStringLiteral("fmBase"));
    setFont(windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    resize(870, 500);
}

void TfmBase::FormKeyDown(int &Key, Qt::KeyboardModifiers) {
    if (Key != VK_RETURN)
        return;
    // Queued, not sent: the focused control handles the Enter first, then
    // the Tab moves the focus on.
    if (QWidget *focus = QApplication::focusWidget())
        QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
}

void TfmBase::setClientSize(int width, int height) { resize(width, height); }

void TfmBase::reject() { done(mrCancel); }

void TfmBase::keyPressEvent(QKeyEvent *event) {
    // No default or cancel button: Enter and Escape do nothing here unless a
    // window's own handler says so.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses a button only when that button has the focus.
        if (auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget()); button && isAncestorOf(button))
            button->click();
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TfmBase::showEvent(QShowEvent *event) {
    // No button is the window's default: none is drawn as one, and Enter
    // elsewhere presses none (see keyPressEvent).
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    if (!placed_) {
        placed_ = true;
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->geometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

} // namespace kestrune
