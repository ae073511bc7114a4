// One QApplication for the whole test binary: widget tests need it and the
// pure tests do not mind it. The platform comes from QT_QPA_PLATFORM
// (offscreen under CTest).
#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char **argv) {
    testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
