// The default error handler: an error no handler caught is shown with its
// text, and the program runs on.
#include "app/KestruneApplication.h"
#include "platform/Exception.h"
#include "tests/support/AppFixture.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrune;
using namespace kestrune::test;

TEST(DefaultErrorHandler, ShowsTheTextOfAnUncaughtErrorAndRunsOn) {
    MessageRecorder boxes;
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        if (clicks == 1)
            throw Exception(QStringLiteral("Cannot perform this operation on an empty dataset"));
        if (clicks == 2)
            throw std::runtime_error("plain failure");
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 3) << "the program stopped handling events";
    EXPECT_EQ(boxes.texts(MessageKind::Error),
              (QStringList{QStringLiteral("Cannot perform this operation on an empty dataset"), QStringLiteral("plain failure")}));
}

TEST(DefaultErrorHandler, GuardReportsAndSaysWhetherTheHandlerFailed) {
    MessageRecorder boxes;
    EXPECT_TRUE(KestruneApplication::guard([] {}));
    EXPECT_FALSE(KestruneApplication::guard([] { throw Exception(QStringLiteral("no such table: ZDXM")); }));
    EXPECT_EQ(boxes.texts(MessageKind::Error), QStringList{QStringLiteral("no such table: ZDXM")});
}
