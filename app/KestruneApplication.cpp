#include "app/KestruneApplication.h"

#include "app/MessageBoxes.h"
#include "app/uPubData.h"
#include "platform/Exception.h"

namespace kestrune {

KestruneApplication::KestruneApplication(int &argc, char **argv) : QApplication(argc, argv) {
    // One look on every desktop: group captions on their frames, plain
    // buttons, as the windows are laid out for.
    setStyle(QStringLiteral("Fusion"));
}

bool KestruneApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        return handleCurrentException();
    }
}

void KestruneApplication::showException(const QString &text) { ShowError(text); }

bool KestruneApplication::handleCurrentException() {
    try {
        throw;
    } catch (const StartupAborted &) {
        throw; // start-up ends; not an error to show
    } catch (const Exception &e) {
        showException(e.message());
    } catch (const std::bad_alloc &) {
        showException(QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        showException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showException(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace kestrune
