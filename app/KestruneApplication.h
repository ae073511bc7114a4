#pragma once
// The application object. Its one addition is the default error handler: an
// error that an event handler does not catch is shown with its text, and the
// program runs on.

#include <QApplication>

namespace kestrune {

class KestruneApplication : public QApplication {
    Q_OBJECT
public:
    KestruneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows an error's text the way the default error handler does.
    static void showException(const QString &text);

    // Runs `handler`, sending what it throws to the default error handler.
    // Returns false when it threw.
    template <typename F>
    static bool guard(F &&handler);

private:
    static bool handleCurrentException();
};

template <typename F>
bool KestruneApplication::guard(F &&handler) {
    try {
        handler();
        return true;
    } catch (...) {
        return handleCurrentException();
    }
}

} // namespace kestrune
