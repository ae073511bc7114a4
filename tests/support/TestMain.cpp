// One application object for the whole test binary, the program's own, so
// that errors thrown in event handlers reach the default error handler as
// they do in Kestrune. The platform comes from QT_QPA_PLATFORM (offscreen
// under CTest).
#include "app/KestruneApplication.h"

#include <gmock/gmock.h>

int main(int argc, char **argv) {
    testing::InitGoogleMock(&argc, argv);
    // The banner browser needs shared GL contexts, set before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    kestrune::KestruneApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
