// kestrune-mstsc <connection file> [/console|/admin] /v:<host>[:<port>]
#include "tools/mstsc/Adapter.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <memory>

int main(int argc, char **argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // The window system is needed only to tell the user about a failure.
    std::unique_ptr<QApplication> app;
    const auto showError = [&](const QString &text) {
        std::fprintf(stderr, "kestrune-mstsc: %s\n", text.toLocal8Bit().constData());
        if (!app)
            app = std::make_unique<QApplication>(argc, argv);
        kestrune::mstsc::showErrorDialog(text);
    };
    return kestrune::mstsc::runAdapter(arguments, showError);
}
