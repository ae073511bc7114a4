// The main window: its layout and grid, where it goes on the screen, the
// delete button, the new-row defaults, and the list's failure paths.
#include "app/uPubData.h"
#include "servers/MainWindowPlacement.h"
#include "servers/ServerFields.h"
#include "servers/ufmMain.h"
#include "tests/support/AppFixture.h"
#include "widgets/DataGrid.h"
#include "widgets/DbMemo.h"
#include "widgets/GridFindDialog.h"
#include "widgets/RadioGroup.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QWebEngineView>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrune;
using namespace kestrune::test;

TEST(MainWindowPlacement, HeightTopAndCentringRoundTowardZero) {
    struct Case {
        int screenW, screenH, outerW;
        MainWindowPlacement expected;
    };
    const Case cases[] = {
        {1024, 768, 548, {238, 10, 708}},
        {1024, 768, 547, {238, 10, 708}}, // 477 / 2 = 238
        {1920, 1080, 548, {686, 10, 1020}},
        {543, 600, 548, {-2, 10, 540}},   // -5 / 2 = -2, not -3
        {541, 600, 548, {-3, 10, 540}},   // -7 / 2 = -3
    };
    for (const Case &c : cases) {
        const MainWindowPlacement p = placeMainWindow(c.screenW, c.screenH, c.outerW);
        EXPECT_EQ(p.left, c.expected.left) << c.screenW << " x " << c.screenH;
        EXPECT_EQ(p.top, c.expected.top);
        EXPECT_EQ(p.outerHeight, c.expected.outerHeight);
    }
}

class MainWindowTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        sql("INSERT INTO FWQ (IP, PORT, YHM, MM, BZ) VALUES "
            "('10.0.0.1', 3389, 'admin', 'secret1', '第一台'), "
            "('db.example', 3390, '运维', 'secret2', NULL), "
            "('10.0.0.3', NULL, 'u3', 'secret3', 'third')");
    }
    void TearDown() override {
        window.reset();
        AppFixture::TearDown();
    }
    // Shows the main window with a probe that answers for every server.
    TfmMain &show() {
        openDataModule();
        window = std::make_unique<TfmMain>();
        fmMain = window.get();
        window->statusProbe = [](const QString &, const platform::CancelToken &) { return 1; };
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }
    std::unique_ptr<TfmMain> window;
};

TEST_F(MainWindowTest, ShowsTheListWithItsColumnsRemarksAndCaption) {
    TfmMain &w = show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Kestrune"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Kestrune"));

    DataGrid &grid = *w.dgMain;
    QAbstractItemModel &model = *grid.model();
    ASSERT_EQ(model.columnCount(), 4);
    QStringList titles;
    for (int c = 0; c < 4; ++c)
        titles << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles, (QStringList{"IP地址", "端口号", "用户名", "状态"}));
    EXPECT_EQ(grid.columnWidth(0), 114);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.headerData(2, Qt::Vertical, Qt::DisplayRole).toInt(), 3) << "record numbers at the left";
    EXPECT_EQ(model.data(model.index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("运维"));
    EXPECT_EQ(model.data(model.index(2, 1), Qt::DisplayRole).toString(), QString()) << "a null port shows empty";
    // No column shows a password, whatever the row holds.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_FALSE(model.data(model.index(r, c), Qt::DisplayRole).toString().startsWith("secret"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::BackgroundRole).value<QColor>(),
              QGuiApplication::palette().color(QPalette::ToolTipBase));
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(grid.horizontalHeader()->sectionsMovable());

    // The remarks box follows the selected row and cannot be edited.
    EXPECT_EQ(w.DBMemo1->toPlainText(), QStringLiteral("第一台"));
    grid.setCurrentIndex(model.index(1, 0));
    EXPECT_EQ(w.qMain.recNo(), 1);
    EXPECT_EQ(w.DBMemo1->toPlainText(), QString());
    EXPECT_TRUE(w.DBMemo1->isReadOnly());

    // The option panel as it starts.
    EXPECT_EQ(w.rgLoginOption->items(), (QStringList{"虚拟桌面", "真实桌面"}));
    EXPECT_EQ(w.rgLoginOption->itemIndex(), 0);
    EXPECT_EQ(w.rgFBL->items(), (QStringList{"全屏幕", "1024*768", "800*600"}));
    EXPECT_EQ(w.rgFBL->itemIndex(), 0);
    EXPECT_TRUE(w.chkReconnect->isChecked());
    EXPECT_EQ(w.btnConnect->text(), QStringLiteral("连接"));
    EXPECT_EQ(w.btnDelete->geometry(), QRect(19, 138, 75, 25));
}

TEST_F(MainWindowTest, IsPlacedTenFromTheTopAndAsTallAsTheScreenLessSixty) {
    TfmMain &w = show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = w.frameGeometry();
    EXPECT_EQ(outer.height(), screen.height() - 60);
    EXPECT_EQ(outer.top(), 10);
    EXPECT_EQ(outer.left(), (screen.width() - outer.width()) / 2);
    EXPECT_EQ(w.width(), 540);
    EXPECT_EQ(w.GroupBox2->height(), 169);
    EXPECT_EQ(w.WebBrowser1->height(), 106);
}

TEST_F(MainWindowTest, DeleteAsksAndRemovesTheSelectedRowOnYesOnly) {
    TfmMain &w = show();
    w.dgMain->setCurrentIndex(w.dgMain->model()->index(1, 0));
    boxes.answer = IDNO;
    w.btnDelete->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("你确实要删除这个服务器吗？"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("注意"));
    EXPECT_EQ(rows("select count(*) from FWQ").at(0).at(0).toInt(), 3);
    EXPECT_EQ(w.dgMain->model()->rowCount(), 3);

    boxes.answer = IDYES;
    w.btnDelete->click();
    EXPECT_EQ(rows("select IP from FWQ order by rowid"), (Rows{{"10.0.0.1"}, {"10.0.0.3"}}));
    EXPECT_EQ(w.dgMain->model()->rowCount(), 2);
    EXPECT_EQ(boxes.texts(MessageKind::YesNo).size(), 2);
}

TEST_F(MainWindowTest, DeleteOnAnEmptyListAsksThenReportsTheEmptyDataSet) {
    sql("DELETE FROM FWQ");
    TfmMain &w = show();
    boxes.answer = IDYES;
    QTest::mouseClick(w.btnDelete, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(MessageKind::YesNo), QStringList{QStringLiteral("你确实要删除这个服务器吗？")});
    EXPECT_EQ(boxes.texts(MessageKind::Error), QStringList{QStringLiteral("Cannot perform this operation on an empty dataset")});
}

TEST_F(MainWindowTest, ANewRowStartsWithTheDefaults) {
    TfmMain &w = show();
    w.qMain.append();
    EXPECT_EQ(w.qMain.fieldByName("IP").asString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(w.qMain.fieldByName("PORT").asInteger(), 3389);
    EXPECT_EQ(w.qMain.fieldByName("YHM").asString(), QStringLiteral("Administrator"));
    EXPECT_TRUE(w.qMain.fieldByName("MM").isNull());
    EXPECT_TRUE(w.qMain.fieldByName("BZ").isNull());
    EXPECT_EQ(w.dgMain->model()->rowCount(), 4) << "the new row shows at the end";
    w.qMain.cancel();
    EXPECT_EQ(rows("select count(*) from FWQ").at(0).at(0).toInt(), 3);
}

TEST_F(MainWindowTest, AnUnreadableListLeavesTheGridEmptyAndStartsNoMonitor) {
    sql("DROP TABLE FWQ");
    TfmMain &w = show();
    EXPECT_EQ(boxes.texts(MessageKind::Error), QStringList{QStringLiteral("no such table: FWQ")});
    EXPECT_EQ(w.dgMain->model()->rowCount(), 0);
    EXPECT_FALSE(w.statusMonitorRunning());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Kestrune")) << "the steps before the list still ran";
}

TEST_F(MainWindowTest, CtrlFFindsTheNextCellHoldingTheText) {
    TfmMain &w = show();
    DataGrid &grid = *w.dgMain;
    grid.setFocus();
    grid.setCurrentIndex(grid.model()->index(0, 0));
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    auto *dialog = grid.findChild<GridFindDialog *>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->findText->setText(QStringLiteral("10.0.0"));
    dialog->findNext();
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(2, 0));
    dialog->findNext(); // wraps to the top
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(0, 0));
    dialog->findText->setText(QStringLiteral("运"));
    dialog->findNext();
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(1, 2));
    EXPECT_EQ(w.qMain.recNo(), 1);
    dialog->findText->setText(QStringLiteral("secret"));
    dialog->findNext();
    EXPECT_FALSE(dialog->status->text().isEmpty()) << "passwords are not searched, and nothing says so";
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(1, 2));
}

TEST_F(MainWindowTest, ClosingStopsTheMonitorBeforeTheSharedStateGoes) {
    TfmMain &w = show();
    EXPECT_TRUE(w.statusMonitorRunning());
    w.close();
    EXPECT_FALSE(w.statusMonitorRunning());
    window.reset();
    EXPECT_EQ(kestrune::StatusList, nullptr);
}

TEST_F(MainWindowTest, ConnectHandsTheSelectedRowAndOptionsToTheClient) {
    TfmMain &w = show();
    RdpFile = dir.file("config.ini");
    QStringList commandLines;
    QByteArray fileWhileStarting;
    w.launchHooks.startClient = [&](const QString &commandLine) {
        commandLines << commandLine;
        QFile f(RdpFile);
        if (f.open(QIODevice::ReadOnly))
            fileWhileStarting = f.readAll();
        return true;
    };
    int slept = 0;
    w.launchHooks.sleep = [&](int ms) { slept += ms; };

    w.dgMain->setCurrentIndex(w.dgMain->model()->index(1, 0));
    w.rgFBL->setItemIndex(2);
    w.rgLoginOption->setItemIndex(1);
    w.chkReconnect->setChecked(false);
    QTest::mouseClick(w.btnConnect, Qt::LeftButton);

    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(commandLines.size(), 1);
    EXPECT_EQ(commandLines[0], QStringLiteral("mstsc.exe %1 /admin /v:db.example:3390").arg(RdpFile));
    EXPECT_TRUE(fileWhileStarting.startsWith("screen mode id:i:1\r\nsession bpp:i:16\r\ndesktopwidth:i:800\r\n"
                                             "desktopheight:i:600\r\nusername:s:\xD4\xCB\xCE\xAC\r\n"));
    EXPECT_TRUE(fileWhileStarting.contains("autoreconnection enabled:i:0\r\n"));
    EXPECT_EQ(slept, 1000);
    EXPECT_FALSE(QFile::exists(RdpFile)) << "the connection file outlived the launch";
}

TEST_F(MainWindowTest, ConnectWithNoRowsDoesNothingAndAnUnwritableFileIsReported) {
    sql("DELETE FROM FWQ");
    TfmMain &w = show();
    int started = 0;
    w.launchHooks.startClient = [&](const QString &) { return ++started, true; };
    w.launchHooks.sleep = [](int) {};
    RdpFile = dir.file("config.ini");
    w.btnConnect->click();
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(QFile::exists(RdpFile));
    EXPECT_TRUE(boxes.shown.empty());

    sql("INSERT INTO FWQ VALUES ('127.0.0.1', 3389, 'u', 'p', NULL)");
    w.qMain.close();
    w.qMain.open();
    RdpFile = dir.file("no-such-folder/config.ini");
    QTest::mouseClick(w.btnConnect, Qt::LeftButton);
    EXPECT_EQ(started, 0);
    EXPECT_EQ(boxes.texts(MessageKind::Error), QStringList{QStringLiteral("Cannot create file %1").arg(RdpFile)});
}

TEST_F(MainWindowTest, TheStatusColumnShowsEachProbeRedWhenOffline) {
    openDataModule();
    window = std::make_unique<TfmMain>();
    fmMain = window.get();
    window->statusProbe = [](const QString &host, const platform::CancelToken &) {
        return host == QStringLiteral("db.example") ? 0 : 1;
    };
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTRY_COMPARE_WITH_TIMEOUT(kestrune::StatusList->count(), 3, 10000);
    EXPECT_EQ(kestrune::StatusList->value("10.0.0.1:3389"), QStringLiteral("在线"));
    EXPECT_EQ(kestrune::StatusList->value("DB.EXAMPLE:3390"), QStringLiteral("离线"));
    EXPECT_EQ(kestrune::StatusList->value("10.0.0.3:0"), QStringLiteral("在线")) << "a null port keys as 0";

    DataGrid &grid = *window->dgMain;
    for (int selected : {0, 1}) {
        grid.setCurrentIndex(grid.model()->index(selected, 0));
        QCoreApplication::processEvents();
        const QImage image = grid.viewport()->grab().toImage();
        auto cornerOf = [&](int row) {
            const QRect cell = grid.visualRect(grid.model()->index(row, 3));
            return image.pixelColor(cell.left() + 2, cell.top() + 2);
        };
        EXPECT_EQ(cornerOf(1), QColor(255, 0, 0)) << "offline cell, selected row " << selected;
        EXPECT_NE(cornerOf(0), QColor(255, 0, 0)) << "online cell, selected row " << selected;
        EXPECT_NE(cornerOf(2), QColor(255, 0, 0));
    }
}
