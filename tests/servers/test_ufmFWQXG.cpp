// The server editor driven as the operator drives it: keys and clicks on the
// modal dialog, message boxes answered by the test, and the table read back
// through a connection of the test's own.
#include "app/MessageBoxes.h"
#include "app/uPubData.h"
#include "db/Query.h"
#include "platform/GbkCodec.h"
#include "platform/StrToInt.h"
#include "servers/ServerFields.h"
#include "servers/ufmFWQXG.h"
#include "tests/support/Database.h"
#include "tests/support/TempDir.h"
#include "tests/widgets/TypeText.h"
#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace kestrune;
using namespace kestrune::test;

namespace {

const QString Notice = QStringLiteral("提示");
const QString AlreadyStored = QStringLiteral("输入的IP和端口已经存在！");

using Script = std::function<void(TfmFWQXG &)>;

// The operator's hands on the dialog.
void type(QWidget *control, const QString &text) {
    control->setFocus(Qt::OtherFocusReason);
    if (auto *line = qobject_cast<QLineEdit *>(control))
        line->end(false);
    else if (auto *box = qobject_cast<QPlainTextEdit *>(control))
        box->moveCursor(QTextCursor::End);
    typeText(control, text);
}

void empty(DbEdit *edit) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
}

void replace(DbEdit *edit, const QString &text) {
    empty(edit);
    typeText(edit, text);
}

void click(QPushButton *button) {
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
}

void save(TfmFWQXG &fm) { click(fm.btnSave); }
void back(TfmFWQXG &fm) { click(fm.btnCancel); }

class EditorTest : public testing::Test {
protected:
    void SetUp() override {
        previousAnswerer = setMessageAnswerer([this](const MessageRequest &request) {
            messages.push_back(request);
            return IDOK;
        });
        pubData = std::make_unique<TPubData>();
        PubData = pubData.get();
        qMain.setConnection(&PubData->Conn);
        declareServerListFields(qMain);
        qMain.onNewRecord = [](db::Query &q) { fillNewServerDefaults(q); };
    }

    void TearDown() override {
        qMain.close();
        setMessageAnswerer(previousAnswerer);
    }

    void seed(const QString &rows) { exec(*reader, "INSERT INTO FWQ (IP, PORT, YHM, MM, BZ) VALUES " + rows); }

    void openList() {
        qMain.setSql("select * from FWQ");
        qMain.open();
    }

    Rows table() { return readRows(*reader, "select IP, PORT, YHM, MM, BZ from FWQ order by rowid"); }

    // Opens the editor and runs `script` on it once it is on screen. A script
    // that leaves the editor open fails the test and is closed for it.
    void runEditor(const std::function<void()> &open, const Script &script) {
        bool ran = false;
        QTimer::singleShot(0, qApp, [&] {
            auto *fm = qobject_cast<TfmFWQXG *>(QApplication::activeModalWidget());
            if (!fm) {
                ADD_FAILURE() << "no server editor on screen";
                if (auto *other = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                    other->done(mrCancel);
                return;
            }
            ran = true;
            EXPECT_TRUE(QTest::qWaitForWindowActive(fm));
            script(*fm);
            if (fm->isVisible()) {
                ADD_FAILURE() << "the editor was left open";
                fm->setModalResult(mrCancel);
            }
        });
        open();
        EXPECT_TRUE(ran);
    }
    void add(const Script &script) {
        runEditor([this] { AddServer(qMain); }, script);
    }
    void edit(const Script &script) {
        runEditor([this] { EditServer(qMain); }, script);
    }

    QStringList notices() const {
        QStringList texts;
        for (const MessageRequest &m : messages) {
            if (m.kind == MessageKind::Ok) {
                EXPECT_EQ(m.caption, Notice);
                texts << m.text;
            }
        }
        return texts;
    }
    QStringList errors() const {
        QStringList texts;
        for (const MessageRequest &m : messages)
            if (m.kind == MessageKind::Error)
                texts << m.text;
        return texts;
    }

    TempDir dir;
    QString path = makeDatabase(dir.path());
    ScopedCurrentDir cwd{dir.path()};
    std::unique_ptr<db::Connection> reader = openDatabase(path);
    std::unique_ptr<TPubData> pubData;
    db::Query qMain{nullptr, "qMain"};
    std::vector<MessageRequest> messages;
    MessageAnswerer previousAnswerer;
};

} // namespace

// ---- layout ---------------------------------------------------------------

TEST_F(EditorTest, AddOpensOnTheNewRowWithItsDefaultsAndTheDialogsLayout) {
    openList();
    add([&](TfmFWQXG &fm) {
        EXPECT_EQ(fm.windowTitle(), QStringLiteral("添加服务器"));
        EXPECT_EQ(fm.size(), QSize(352, 453));
        EXPECT_EQ(fm.minimumSize(), fm.maximumSize()) << "a dialog border does not resize";
        EXPECT_FALSE(fm.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

        const std::vector<std::pair<QLabel *, QString>> labels{
            {fm.Label1, QStringLiteral("IP地址：")}, {fm.Label2, QStringLiteral("端口号：")},
            {fm.Label3, QStringLiteral("用户名：")}, {fm.Label4, QStringLiteral("密码：")},
            {fm.Label5, QStringLiteral("备注：")}};
        int top = 16;
        for (const auto &[label, caption] : labels) {
            EXPECT_EQ(label->text(), caption);
            EXPECT_EQ(label->pos(), QPoint(16, top));
            top += 48;
        }
        EXPECT_EQ(fm.DBEdit1->geometry(), QRect(16, 32, 161, 20));
        EXPECT_EQ(fm.DBEdit2->geometry(), QRect(16, 80, 161, 20));
        EXPECT_EQ(fm.DBEdit3->geometry(), QRect(16, 128, 161, 20));
        EXPECT_EQ(fm.DBEdit4->geometry(), QRect(16, 176, 161, 20));
        EXPECT_EQ(fm.DBMemo1->geometry(), QRect(16, 224, 321, 217));
        EXPECT_EQ(fm.btnSave->geometry(), QRect(264, 16, 75, 25));
        EXPECT_EQ(fm.btnCancel->geometry(), QRect(264, 48, 75, 25));
        EXPECT_EQ(fm.btnSave->text(), QStringLiteral("保存"));
        EXPECT_EQ(fm.btnCancel->text(), QStringLiteral("返回"));
        EXPECT_FALSE(fm.btnSave->isDefault());
        EXPECT_FALSE(fm.btnCancel->isDefault());
        EXPECT_EQ(fm.DBEdit4->echoMode(), QLineEdit::Normal) << "the password shows as typed";

        EXPECT_TRUE(fm.DBEdit1->hasFocus());
        EXPECT_EQ(fm.DBEdit1->text(), "127.0.0.1");
        EXPECT_EQ(fm.DBEdit2->text(), "3389");
        EXPECT_EQ(fm.DBEdit3->text(), "Administrator");
        EXPECT_EQ(fm.DBEdit4->text(), "");
        EXPECT_EQ(fm.DBMemo1->toPlainText(), "");
        EXPECT_EQ(qMain.state(), db::Query::State::Insert);
        EXPECT_TRUE(qMain.fieldByName("MM").isNull());
        EXPECT_TRUE(qMain.fieldByName("BZ").isNull());
        back(fm);
    });
    EXPECT_TRUE(table().empty());
    EXPECT_EQ(qMain.recordCount(), 0);
}

TEST_F(EditorTest, EditOpensOnTheSelectedRow) {
    seed("('10.0.0.1', 22, 'a', 'b', NULL), ('10.0.0.2', 3390, 'root', 'secret', 'x\r\ny')");
    openList();
    qMain.moveTo(1);
    edit([&](TfmFWQXG &fm) {
        EXPECT_EQ(fm.windowTitle(), QStringLiteral("修改服务器"));
        EXPECT_EQ(fm.FOldIP, "10.0.0.2");
        EXPECT_EQ(fm.FOldPort, 3390);
        EXPECT_EQ(fm.DBEdit1->text(), "10.0.0.2");
        EXPECT_EQ(fm.DBEdit2->text(), "3390");
        EXPECT_EQ(fm.DBEdit3->text(), "root");
        EXPECT_EQ(fm.DBEdit4->text(), "secret");
        EXPECT_EQ(fm.DBMemo1->toPlainText(), "x\ny");
        EXPECT_EQ(qMain.state(), db::Query::State::Edit);
        back(fm);
    });
    EXPECT_EQ(table().size(), 2u);
}

// ---- leaving without saving --------------------------------------------------

struct LeaveCase {
    const char *name;
    bool adding;
    bool closeBox; // else "返回"
};
static void PrintTo(const LeaveCase &c, std::ostream *os) { *os << c.name; }

class EditorLeaveTest : public EditorTest, public testing::WithParamInterface<LeaveCase> {};

TEST_P(EditorLeaveTest, LeavingWithoutSaveDropsTheChange) {
    seed("('10.0.0.1', 22, 'a', 'b', 'r')");
    openList();
    const Rows before = table();
    runEditor([&] { GetParam().adding ? AddServer(qMain) : EditServer(qMain); },
              [&](TfmFWQXG &fm) {
                  replace(fm.DBEdit1, "10.9.9.9");
                  type(fm.DBEdit4, "typed");
                  type(fm.DBMemo1, "more");
                  fm.DBEdit3->setFocus();
                  if (GetParam().closeBox)
                      fm.close();
                  else
                      back(fm);
              });
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table(), before);
    EXPECT_EQ(qMain.state(), db::Query::State::Browse);
    ASSERT_EQ(qMain.recordCount(), 1);
    EXPECT_EQ(qMain.fieldByName("IP").asString(), "10.0.0.1");
    EXPECT_EQ(qMain.fieldByName("MM").asString(), "b");
    EXPECT_EQ(qMain.fieldByName("BZ").asString(), "r");
}

INSTANTIATE_TEST_SUITE_P(Ways, EditorLeaveTest,
                         testing::Values(LeaveCase{"AddThenReturn", true, false}, LeaveCase{"AddThenCloseBox", true, true},
                                         LeaveCase{"EditThenReturn", false, false},
                                         LeaveCase{"EditThenCloseBox", false, true}),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- required fields ---------------------------------------------------------

struct RequiredCase {
    const char *name;
    QString storedRow; // edit this row; empty: add
    Script fill;
    QString message;
};
static void PrintTo(const RequiredCase &c, std::ostream *os) { *os << c.name; }

class EditorRequiredTest : public EditorTest, public testing::WithParamInterface<RequiredCase> {};

TEST_P(EditorRequiredTest, ANullRequiredFieldIsNamedAndNothingIsWritten) {
    const RequiredCase &c = GetParam();
    if (!c.storedRow.isEmpty())
        seed(c.storedRow);
    openList();
    const Rows before = table();
    runEditor([&] { c.storedRow.isEmpty() ? AddServer(qMain) : EditServer(qMain); },
              [&](TfmFWQXG &fm) {
                  c.fill(fm);
                  save(fm);
                  EXPECT_EQ(notices(), QStringList{c.message}) << "only the first null field in field order";
                  EXPECT_TRUE(fm.isVisible());
                  EXPECT_FALSE(PubData->Q.active()) << "no duplicate query before the fields are complete";
                  back(fm);
              });
    EXPECT_EQ(table(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, EditorRequiredTest,
    testing::Values(
        RequiredCase{"NoPassword", {}, [](TfmFWQXG &) {}, QStringLiteral("请输入密码!")},
        RequiredCase{"EmptiedPort", {}, [](TfmFWQXG &fm) {
                         empty(fm.DBEdit2);
                         type(fm.DBEdit4, "pw");
                     },
                     QStringLiteral("请输入端口号!")},
        RequiredCase{"EmptiedPortAndNoPassword", {}, [](TfmFWQXG &fm) { empty(fm.DBEdit2); },
                     QStringLiteral("请输入端口号!")},
        RequiredCase{"StoredRowWithoutUserName", "('h', 1, NULL, NULL, NULL)", [](TfmFWQXG &) {},
                     QStringLiteral("请输入用户名!")}),
    [](const auto &p) { return std::string(p.param.name); });


TEST_F(EditorTest, EmptiedTextsAreValuesAndAnEmptyAddressWithPortZeroKeepsTheNewRowsKey) {
    // A stored row with the same empty key: only a count could refuse the
    // new one, and none runs, because the key equals the new row's initial one.
    seed("('', 0, 'x', 'y', NULL)");
    openList();
    add([&](TfmFWQXG &fm) {
        empty(fm.DBEdit1);
        replace(fm.DBEdit2, "0");
        empty(fm.DBEdit3);
        type(fm.DBEdit4, "a");
        empty(fm.DBEdit4);
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(PubData->Q.active()) << "the duplicate query ran";
    EXPECT_EQ(table(), (Rows{{"", 0, "x", "y", QVariant()}, {"", 0, "", "", QVariant()}}));
}

// ---- the key and the duplicate query ----------------------------------------

TEST_F(EditorTest, AddingTheDefaultKeyWhileItIsStoredIsRefusedUntilThePortChanges) {
    seed("('127.0.0.1', 3389, 'Administrator', 'old', NULL)");
    openList();
    add([&](TfmFWQXG &fm) {
        type(fm.DBEdit4, "pw");
        save(fm);
        EXPECT_EQ(notices(), QStringList{AlreadyStored});
        EXPECT_TRUE(fm.isVisible());
        EXPECT_EQ(qMain.state(), db::Query::State::Insert);
        EXPECT_EQ(PubData->Q.sql(), "select count(*) from FWQ where IP='127.0.0.1' and PORT=3389");
        EXPECT_EQ(table().size(), 1u);

        replace(fm.DBEdit2, "3390");
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    EXPECT_EQ(notices(), QStringList{AlreadyStored});
    EXPECT_EQ(table(), (Rows{{"127.0.0.1", 3389, "Administrator", "old", QVariant()},
                             {"127.0.0.1", 3390, "Administrator", "pw", QVariant()}}));
    // The list shows the added row at its end, current.
    EXPECT_EQ(qMain.state(), db::Query::State::Browse);
    ASSERT_EQ(qMain.recordCount(), 2);
    EXPECT_EQ(qMain.recNo(), 1);
    EXPECT_EQ(qMain.fieldByName("PORT").asInteger(), 3390);
}

TEST_F(EditorTest, ChangingOnlyTheUserNameSavesWithoutTheCountAlthoughAnotherRowSharesTheKey) {
    seed("('10.0.0.5', 3389, 'a', 'p', NULL), ('10.0.0.5', 3389, 'a', 'p', NULL)");
    openList();
    edit([&](TfmFWQXG &fm) {
        replace(fm.DBEdit3, "b");
        type(fm.DBMemo1, "note");
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(PubData->Q.active()) << "the duplicate query ran";
    EXPECT_EQ(table(), (Rows{{"10.0.0.5", 3389, "b", "p", "note"}, {"10.0.0.5", 3389, "a", "p", QVariant()}}));
    EXPECT_EQ(qMain.fieldByName("YHM").asString(), "b");
}

struct KeyCase {
    const char *name;
    QString ip;
    QString port;
    bool refused;
};
static void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }

class EditorKeyTest : public EditorTest, public testing::WithParamInterface<KeyCase> {};

TEST_P(EditorKeyTest, AChangedKeyIsCountedIgnoringLetterCaseOfTheAddress) {
    const KeyCase &c = GetParam();
    seed("('host-a', 3389, 'u', 'p', NULL), ('Host-B', 3390, 'u', 'p', NULL)");
    openList();
    const Rows before = table();
    edit([&](TfmFWQXG &fm) {
        replace(fm.DBEdit1, c.ip);
        replace(fm.DBEdit2, c.port);
        save(fm);
        EXPECT_EQ(PubData->Q.sql(), "select count(*) from FWQ where IP='" + c.ip + "' and PORT=" + c.port);
        EXPECT_EQ(fm.isVisible(), c.refused);
        if (fm.isVisible())
            back(fm);
    });
    if (c.refused) {
        EXPECT_EQ(notices(), QStringList{AlreadyStored});
        EXPECT_EQ(table(), before);
    } else {
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(table(), (Rows{{c.ip, c.port.toInt(), "u", "p", QVariant()}, before[1]}));
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, EditorKeyTest,
                         testing::Values(KeyCase{"AnotherRowsKey", "Host-B", "3390", true},
                                         KeyCase{"AnotherRowsKeyInOtherCase", "HOST-b", "3390", true},
                                         KeyCase{"CaseOnlyChangeOfItsOwnAddress", "HOST-A", "3389", true},
                                         KeyCase{"NewPort", "host-a", "3391", false},
                                         KeyCase{"AnotherRowsAddressWithOwnPort", "Host-B", "3389", false}),
                         [](const auto &p) { return std::string(p.param.name); });

struct TextCase {
    const char *name;
    QString ip;
    QString sql;
};
static void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }

class EditorBadInputTest : public EditorTest, public testing::WithParamInterface<TextCase> {};

TEST_P(EditorBadInputTest, TextsAreStoredAsTypedAndNeverChangeTheQuerysMeaning) {
    // Were the address pasted into the query unquoted, "x' or '1'='1" would
    // count this row and be refused.
    seed("('other', 3389, 'u', 'p', NULL)");
    openList();
    const QString user = QStringLiteral("o'neil%\\_");
    const QString password = QStringLiteral("p;w'--\"");
    const QString remarks = QStringLiteral("'); drop table FWQ;--");
    add([&](TfmFWQXG &fm) {
        replace(fm.DBEdit1, GetParam().ip);
        replace(fm.DBEdit3, user);
        type(fm.DBEdit4, password);
        type(fm.DBMemo1, remarks);
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(PubData->Q.sql(), GetParam().sql);
    EXPECT_EQ(table(), (Rows{{"other", 3389, "u", "p", QVariant()}, {GetParam().ip, 3389, user, password, remarks}}));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EditorBadInputTest,
    testing::Values(TextCase{"SingleQuote", "a'b", "select count(*) from FWQ where IP='a''b' and PORT=3389"},
                    TextCase{"OrTrue", "x' or '1'='1", "select count(*) from FWQ where IP='x'' or ''1''=''1' and PORT=3389"},
                    TextCase{"Percent", "50%", "select count(*) from FWQ where IP='50%' and PORT=3389"},
                    TextCase{"Backslash", "a\\b", "select count(*) from FWQ where IP='a\\b' and PORT=3389"},
                    TextCase{"Statement", "a;drop table FWQ;--", "select count(*) from FWQ where IP='a;drop table FWQ;--' and PORT=3389"}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(EditorTest, ANegativePortPassesTheFieldAndGoesIntoTheQuery) {
    openList();
    add([&](TfmFWQXG &fm) {
        replace(fm.DBEdit2, "-1");
        type(fm.DBEdit4, "pw");
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    EXPECT_EQ(PubData->Q.sql(), "select count(*) from FWQ where IP='127.0.0.1' and PORT=-1");
    EXPECT_EQ(table(), (Rows{{"127.0.0.1", -1, "Administrator", "pw", QVariant()}}));
}

TEST_F(EditorTest, APortBeyondTheRangeIsRefusedOnLeavingAndKeepsTheFocus) {
    openList();
    add([&](TfmFWQXG &fm) {
        replace(fm.DBEdit2, "99999999999");
        type(fm.DBEdit4, "pw");
        QCoreApplication::processEvents();
        const QString refusal = platform::invalidIntegerMessage("99999999999");
        EXPECT_EQ(errors(), QStringList{refusal});
        EXPECT_TRUE(fm.DBEdit2->hasFocus());
        EXPECT_EQ(fm.DBEdit2->text(), "99999999999");

        // A click on "保存" leaves the edit again: one message, no save.
        save(fm);
        EXPECT_EQ(errors(), (QStringList{refusal, refusal}));
        EXPECT_TRUE(fm.isVisible());
        EXPECT_TRUE(fm.DBEdit2->hasFocus());
        EXPECT_TRUE(notices().isEmpty());
        EXPECT_TRUE(table().empty());

        replace(fm.DBEdit2, "3390");
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    EXPECT_EQ(table(), (Rows{{"127.0.0.1", 3390, "Administrator", "pw", QVariant()}}));
}

TEST_F(EditorTest, TheTextEditsTakeTwentyGbkBytesOfChinese) {
    openList();
    const QString zhong = QStringLiteral("中");
    add([&](TfmFWQXG &fm) {
        replace(fm.DBEdit1, zhong.repeated(11));
        replace(fm.DBEdit3, "a" + QStringLiteral("用").repeated(10));
        type(fm.DBEdit4, QStringLiteral("密码").repeated(6));
        EXPECT_EQ(fm.DBEdit1->text(), zhong.repeated(10));
        EXPECT_EQ(fm.DBEdit3->text(), "a" + QStringLiteral("用").repeated(9));
        EXPECT_EQ(fm.DBEdit4->text(), QStringLiteral("密码").repeated(5));
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    const Rows rows = table();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], zhong.repeated(10));
    EXPECT_EQ(rows[0][2], "a" + QStringLiteral("用").repeated(9));
    EXPECT_EQ(rows[0][3], QStringLiteral("密码").repeated(5));
    EXPECT_EQ(platform::gbkLength(rows[0][0].toString()), 20);
    EXPECT_EQ(platform::gbkLength(rows[0][2].toString()), 19);
}

// ---- keys ------------------------------------------------------------------

TEST_F(EditorTest, EnterMovesFromEditToEditAndEntersTheMemosLineBreak) {
    openList();
    add([&](TfmFWQXG &fm) {
        const std::vector<QWidget *> order{fm.DBEdit1, fm.DBEdit2, fm.DBEdit3, fm.DBEdit4, fm.DBMemo1};
        ASSERT_TRUE(fm.DBEdit1->hasFocus());
        for (size_t i = 0; i + 1 < order.size(); ++i) {
            QTest::keyClick(order[i], Qt::Key_Return);
            QCoreApplication::processEvents();
            EXPECT_TRUE(order[i + 1]->hasFocus()) << "after Enter in control " << i;
        }
        typeText(fm.DBMemo1, "x");
        QTest::keyClick(fm.DBMemo1, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(fm.DBMemo1->toPlainText(), "x\n");
        EXPECT_TRUE(fm.btnSave->hasFocus());
        EXPECT_EQ(qMain.fieldByName("BZ").asString(), "x\r\n");

        // Escape closes nothing, from an edit or from the memo.
        for (QWidget *w : {static_cast<QWidget *>(fm.DBEdit3), static_cast<QWidget *>(fm.DBMemo1)}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Escape);
            QCoreApplication::processEvents();
            EXPECT_TRUE(fm.isVisible());
        }
        EXPECT_TRUE(messages.empty());
        back(fm);
    });
    EXPECT_TRUE(table().empty());
}

// ---- database failures -------------------------------------------------------

struct FailureCase {
    const char *name;
    QString breakSql;
    QString repairSql;
    QString error;
};
static void PrintTo(const FailureCase &c, std::ostream *os) { *os << c.name; }

class EditorDatabaseFailureTest : public EditorTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(EditorDatabaseFailureTest, ARefusedCountOrPostKeepsTheRowPendingForAnotherTry) {
    const FailureCase &c = GetParam();
    openList();
    add([&](TfmFWQXG &fm) {
        replace(fm.DBEdit2, "3390");
        type(fm.DBEdit4, "pw");
        exec(*reader, c.breakSql);
        save(fm);
        ASSERT_EQ(errors().size(), 1u);
        EXPECT_TRUE(errors()[0].contains(c.error)) << errors()[0].toStdString();
        EXPECT_TRUE(fm.isVisible());
        EXPECT_EQ(qMain.state(), db::Query::State::Insert);
        EXPECT_EQ(fm.DBEdit4->text(), "pw") << "nothing typed is lost";

        exec(*reader, c.repairSql);
        save(fm);
        EXPECT_FALSE(fm.isVisible());
    });
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(table(), (Rows{{"127.0.0.1", 3390, "Administrator", "pw", QVariant()}}));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, EditorDatabaseFailureTest,
    testing::Values(FailureCase{"Post",
                                "CREATE TRIGGER refuse BEFORE INSERT ON FWQ BEGIN SELECT RAISE(ABORT, 'disk is full'); END",
                                "DROP TRIGGER refuse", "disk is full"},
                    FailureCase{"Count", "ALTER TABLE FWQ RENAME TO FWQ_AWAY", "ALTER TABLE FWQ_AWAY RENAME TO FWQ",
                                "no such table: FWQ"}),
    [](const auto &p) { return std::string(p.param.name); });
