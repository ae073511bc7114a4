#include "app/Entry.h"

#include "access/udlgLogin.h"
#include "app/FormatSettings.h"
#include "app/KestruneApplication.h"
#include "app/uPubData.h"
#include "servers/ufmMain.h"

#include <memory>

namespace kestrune {

int RunKestrune(KestruneApplication &app) {
    // Dates read "2026-12-11" wherever the program turns one into text.
    formatSettings().dateSeparator = u'-';
    formatSettings().shortDateFormat = QStringLiteral("yyyy-mm-dd");
    formatSettings().longDateFormat = QStringLiteral("yyyy-mm-dd");

    try {
        std::unique_ptr<TPubData> data(new TPubData(&app));
        PubData = data.get();
        if (DoLogin()) {
            std::unique_ptr<TfmMain> window(new TfmMain);
            fmMain = window.get();
            window->show();
            app.exec();
        }
        PubData = nullptr;
        data.reset();
    } catch (const StartupAborted &aborted) {
        PubData = nullptr;
        return aborted.exitCode();
    }
    return 0;
}

int KestruneMain(int &argc, char **argv) {
    // The banner browser needs shared GL contexts, set before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    KestruneApplication app(argc, argv);
    return RunKestrune(app);
}

} // namespace kestrune
