// The entry sequence, run in-process: its order, and how it ends.
#include "app/Entry.h"
#include "app/FormatSettings.h"
#include "app/KestruneApplication.h"
#include "app/uPubData.h"
#include "db/Schema.h"
#include "servers/ufmMain.h"
#include "tests/support/AppFixture.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kestrune;
using namespace kestrune::test;

namespace {

KestruneApplication &app() { return static_cast<KestruneApplication &>(*qApp); }

// What the running program looked like once the main window was up.
struct MainWindowSeen {
    bool seen = false;
    bool dataModuleOpen = false;
    QString caption, appTitle, date;
};

std::shared_ptr<MainWindowSeen> watchMainWindow() {
    auto seen = std::make_shared<MainWindowSeen>();
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [seen, poll] {
        if (!fmMain || !fmMain->isVisible())
            return;
        seen->seen = true;
        seen->dataModuleOpen = PubData && PubData->Conn.isOpen();
        seen->caption = fmMain->windowTitle();
        seen->appTitle = QGuiApplication::applicationDisplayName();
        seen->date = DateToStr(QDate(2026, 3, 7));
        fmMain->close();
        poll->deleteLater();
    });
    poll->start(10);
    return seen;
}

} // namespace

class EntrySequence : public testing::Test {
protected:
    TempDir dir;
    std::optional<ScopedCurrentDir> cwd{std::in_place, dir.path()};
    MessageRecorder boxes;
};

TEST_F(EntrySequence, MissingDatabaseEndsStartupWithTheEnginesTextEvenBesideTheProgram) {
    // A database beside the program does not count: only the current folder.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/data.mdb");
    ASSERT_FALSE(QFile::exists(beside));
    db::createDatabase(beside, db::DatabaseKey, false);
    const int status = RunKestrune(app());
    QFile::remove(beside);

    EXPECT_EQ(status, ExitDatabaseFailed);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Ok);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("连接数据库出错\r\nunable to open database file"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(boxes.shown[0].owner, nullptr);
    EXPECT_FALSE(QFile::exists(dir.file("data.mdb"))) << "the attempt created a database";
    EXPECT_EQ(fmMain, nullptr);
    EXPECT_EQ(PubData, nullptr);
}

TEST_F(EntrySequence, WrongKeyEndsStartupWithTheEnginesText) {
    db::createDatabase(dir.file("data.mdb"), "another key", false);
    EXPECT_EQ(RunKestrune(app()), ExitDatabaseFailed);
    EXPECT_EQ(boxes.texts(MessageKind::Ok),
              QStringList{QStringLiteral("连接数据库出错\r\nfile is encrypted or is not a database")});
}

TEST_F(EntrySequence, WithoutAPasswordTheMainWindowOpensAndClosingItEndsWithZero) {
    makeDatabase(dir.path());
    auto seen = watchMainWindow();
    EXPECT_EQ(RunKestrune(app()), 0);
    EXPECT_TRUE(seen->seen) << "the main window never showed";
    EXPECT_TRUE(seen->dataModuleOpen);
    EXPECT_EQ(seen->caption, QStringLiteral("Kestrune"));
    EXPECT_EQ(seen->appTitle, QStringLiteral("Kestrune"));
    EXPECT_EQ(seen->date, QStringLiteral("2026-03-07"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fmMain, nullptr);
}

TEST_F(EntrySequence, AMissingZdxmTableIsShownAndStartupGoesOn) {
    const QString path = makeDatabase(dir.path());
    exec(*openDatabase(path), "DROP TABLE ZDXM");
    auto seen = watchMainWindow();
    EXPECT_EQ(RunKestrune(app()), 0);
    EXPECT_EQ(boxes.texts(MessageKind::Error), QStringList{QStringLiteral("no such table: ZDXM")});
    EXPECT_TRUE(seen->seen);
}

TEST_F(EntrySequence, ACancelledLoginEndsWithZeroAndNoMainWindow) {
    const QString path = makeDatabase(dir.path());
    exec(*openDatabase(path), "INSERT INTO CZYMM (ID, MM) VALUES (1, 'secret')");
    bool mainWindowSeen = false;
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [&] {
        mainWindowSeen = mainWindowSeen || fmMain;
        if (QWidget *login = QApplication::activeModalWidget()) {
            QTest::keyClick(login->focusWidget() ? login->focusWidget() : login, Qt::Key_Escape);
            poll->stop();
        }
    });
    poll->start(10);
    EXPECT_EQ(RunKestrune(app()), 0);
    delete poll;
    EXPECT_FALSE(mainWindowSeen);
    EXPECT_EQ(fmMain, nullptr);
}
