// The bound edit and memo: what they take (GBK bytes, integer characters),
// when they hand their text to the field, and that nothing stored changes
// unless the operator changed it.
#include "db/DataSource.h"
#include "db/Query.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"
#include "platform/StrToInt.h"
#include "tests/support/Database.h"
#include "tests/support/TempDir.h"
#include "tests/widgets/TypeText.h"
#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace kestrune::test;

namespace {

const QString Hangul = QStringLiteral("한"); // no GBK code

QString repeated(const QString &piece, int times) { return piece.repeated(times); }

class DbEditTest : public testing::Test {
protected:
    void SetUp() override {
        exec(*conn, "INSERT INTO FWQ VALUES ('10.0.0.1', 3389, 'admin', 'pw', 'a\r\nb')");
        using db::FieldKind;
        list.addField({"IP", FieldKind::Text, 1, QStringLiteral("IP地址")});
        list.addField({"PORT", FieldKind::Integer, 1, QStringLiteral("端口号")});
        list.addField({"YHM", FieldKind::Text, 1, QStringLiteral("用户名")});
        list.addField({"MM", FieldKind::Text, 1, QStringLiteral("密码")});
        list.addField({"BZ", FieldKind::Memo, 0, QStringLiteral("备注")});
        list.setSql("select * from FWQ");
        list.open();
        source.setDataSet(&list);

        ip = new DbEdit(&host);
        port = new DbEdit(&host);
        memo = new DbMemo(&host);
        other = new QLineEdit(&host);
        ip->bind(&source, "IP");
        port->bind(&source, "PORT");
        memo->bind(&source, "BZ");
        for (DbEdit *e : {ip, port})
            e->onError = [this](std::exception_ptr error) {
                try {
                    std::rethrow_exception(error);
                } catch (const Exception &ex) {
                    errors << ex.message();
                }
            };
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        list.edit();
    }

    // Types `text` at the end of `edit` as the operator would.
    void type(QWidget *edit, const QString &text) {
        edit->setFocus(Qt::OtherFocusReason);
        if (auto *line = qobject_cast<QLineEdit *>(edit))
            line->end(false);
        else if (auto *box = qobject_cast<QPlainTextEdit *>(edit))
            box->moveCursor(QTextCursor::End);
        typeText(edit, text);
    }

    void leaveTo(QWidget *next) {
        next->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    Rows stored(const QString &columns) { return readRows(*reader, "select " + columns + " from FWQ"); }

    TempDir dir;
    QString path = makeDatabase(dir.path());
    std::unique_ptr<db::Connection> conn = openDatabase(path);
    std::unique_ptr<db::Connection> reader = openDatabase(path);
    db::Query list{conn.get(), "qMain"};
    db::DataSource source;
    QWidget host;
    DbEdit *ip = nullptr;
    DbEdit *port = nullptr;
    DbMemo *memo = nullptr;
    QLineEdit *other = nullptr;
    QStringList errors;
};

} // namespace

TEST_F(DbEditTest, ShowsTheFieldsOfTheCurrentRow) {
    EXPECT_EQ(ip->text(), "10.0.0.1");
    EXPECT_EQ(port->text(), "3389");
    EXPECT_EQ(memo->toPlainText(), "a\nb");
    EXPECT_EQ(ip->maxBytes(), 20);
    EXPECT_EQ(port->maxBytes(), 0);
}

struct TypedCase {
    const char *name;
    QString typed;
    QString shown;
};
static void PrintTo(const TypedCase &c, std::ostream *os) { *os << c.name; }

class DbEditTypingTest : public DbEditTest, public testing::WithParamInterface<TypedCase> {};

TEST_P(DbEditTypingTest, TextFieldTakesTwentyGbkBytes) {
    ip->clear();
    type(ip, GetParam().typed);
    EXPECT_EQ(ip->text(), GetParam().shown);
    EXPECT_LE(platform::gbkLength(ip->text()), 20);
    leaveTo(other);
    list.post();
    EXPECT_EQ(stored("IP"), (Rows{{GetParam().shown}}));
}

INSTANTIATE_TEST_SUITE_P(
    Limits, DbEditTypingTest,
    testing::Values(TypedCase{"ChineseOnly", repeated(QStringLiteral("中"), 11), repeated(QStringLiteral("中"), 10)},
                    TypedCase{"OddByteLeft", "a" + repeated(QStringLiteral("中"), 10), "a" + repeated(QStringLiteral("中"), 9)},
                    TypedCase{"Ascii", repeated("x", 25), repeated("x", 20)},
                    TypedCase{"ChineseAfterFullAscii", repeated("1", 20) + QStringLiteral("中"), repeated("1", 20)},
                    TypedCase{"Quotes", QStringLiteral("a'b\"%;\\--"), QStringLiteral("a'b\"%;\\--")}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(DbEditTest, APasteIsCutAtTheLimitBetweenCharacters) {
    ip->setText("xy");
    ip->setFocus();
    ip->setCursorPosition(1);
    QGuiApplication::clipboard()->setText(repeated(QStringLiteral("中"), 12));
    ip->paste();
    // 2 bytes of "xy" leave 18: nine characters, inserted where the cursor was.
    EXPECT_EQ(ip->text(), "x" + repeated(QStringLiteral("中"), 9) + "y");
    EXPECT_EQ(ip->cursorPosition(), 10);

    // A full edit takes nothing more.
    QGuiApplication::clipboard()->setText("z");
    ip->paste();
    EXPECT_EQ(ip->text(), "x" + repeated(QStringLiteral("中"), 9) + "y");
}

TEST_F(DbEditTest, ACharacterWithoutGbkCodeIsRefusedWithABeep) {
    ASSERT_FALSE(platform::isGbkEncodable(Hangul));
    QSignalSpy refused(ip, &DbEdit::inputRefused);
    ip->clear();
    type(ip, "a" + Hangul + "b");
    EXPECT_EQ(ip->text(), "ab");
    EXPECT_EQ(refused.count(), 1);

    QGuiApplication::clipboard()->setText("cd" + Hangul);
    ip->paste();
    EXPECT_EQ(ip->text(), "ab");
    EXPECT_EQ(refused.count(), 2);
}

TEST_F(DbEditTest, IntegerFieldTakesDigitsAndSignsOnly) {
    QSignalSpy refused(port, &DbEdit::inputRefused);
    port->clear();
    type(port, "12a+-x 3");
    EXPECT_EQ(port->text(), "12+-3");
    EXPECT_EQ(refused.count(), 3);

    QGuiApplication::clipboard()->setText("80a");
    port->paste();
    EXPECT_EQ(port->text(), "12+-3");
    EXPECT_EQ(refused.count(), 4);
}

struct PortCase {
    const char *name;
    QString typed;
    QVariant stored; // null when refused or emptied
    bool refused;
};
static void PrintTo(const PortCase &c, std::ostream *os) { *os << c.name; }

class DbEditPortTest : public DbEditTest, public testing::WithParamInterface<PortCase> {};

TEST_P(DbEditPortTest, LeavingThePortEditWritesOrRefusesItsText) {
    const PortCase &c = GetParam();
    port->setFocus();
    port->selectAll();
    QTest::keyClick(port, Qt::Key_Backspace);
    type(port, c.typed);
    leaveTo(other);
    if (c.refused) {
        EXPECT_EQ(errors, QStringList{platform::invalidIntegerMessage(c.typed)});
        EXPECT_TRUE(port->hasFocus()) << "the focus stays in the port edit";
        EXPECT_TRUE(port->textRefused());
        EXPECT_EQ(port->text(), c.typed) << "the typed text stays for correcting";
        EXPECT_EQ(list.fieldByName("PORT").asInteger(), 3389);
        // Post hands the text over again and is refused before writing.
        EXPECT_THROW(list.post(), Exception);
        EXPECT_EQ(list.state(), db::Query::State::Edit);
        EXPECT_EQ(stored("PORT"), (Rows{{3389}}));
    } else {
        EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
        EXPECT_EQ(list.fieldByName("PORT").value(), c.stored);
        list.post();
        EXPECT_EQ(stored("PORT"), (Rows{{c.stored}}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ports, DbEditPortTest,
    testing::Values(PortCase{"Max", "2147483647", 2147483647, false}, PortCase{"Min", "-2147483648", int(-2147483648LL), false},
                    PortCase{"Negative", "-1", -1, false}, PortCase{"Plus", "+5", 5, false},
                    PortCase{"Emptied", "", QVariant(), false}, PortCase{"BeyondMax", "2147483648", QVariant(), true},
                    PortCase{"BeyondMin", "-2147483649", QVariant(), true}, PortCase{"SignInside", "1-2", QVariant(), true},
                    PortCase{"SignOnly", "-", QVariant(), true}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(DbEditTest, ACorrectedPortIsTakenAndTheRefusalEnds) {
    port->clear();
    type(port, "1-2");
    leaveTo(other);
    ASSERT_TRUE(port->textRefused());
    port->selectAll();
    typeText(port, "3390");
    EXPECT_FALSE(port->textRefused());
    leaveTo(other);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(list.fieldByName("PORT").asInteger(), 3390);
}

TEST_F(DbEditTest, AnEmptiedTextEditLeavesTheEmptyTextNotNull) {
    ip->setFocus();
    ip->selectAll();
    QTest::keyClick(ip, Qt::Key_Backspace);
    leaveTo(other);
    EXPECT_FALSE(list.fieldByName("IP").isNull());
    list.post();
    EXPECT_EQ(stored("IP"), (Rows{{QString("")}}));
}

TEST_F(DbEditTest, UntouchedControlsWriteNothing) {
    list.cancel();
    // A stored address longer than the field shows cut; unless the operator
    // changes it, the stored text stays whole, and so do the CR LF remarks.
    exec(*reader, "UPDATE FWQ SET IP='" + repeated("9", 25) + "'");
    list.close();
    list.open();
    list.edit();
    EXPECT_EQ(ip->text(), repeated("9", 20));
    ip->setFocus();
    memo->setFocus();
    leaveTo(other);
    type(port, "0");
    leaveTo(other);
    list.post();
    EXPECT_EQ(stored("IP, PORT, BZ"), (Rows{{repeated("9", 25), 33890, QString("a\r\nb")}}));
}

TEST_F(DbEditTest, TypingIsKeptWhileAnotherControlWritesItsField) {
    // Text still pending in one control must survive another's hand-over
    // (post hands them over one after the other). Keys go straight to the
    // controls here, so that no focus change hands anything over early.
    other->setFocus();
    port->end(false);
    typeText(port, "1");
    memo->moveCursor(QTextCursor::End);
    typeText(memo, "c");
    ip->end(false);
    typeText(ip, "9");
    ip->updateRecord();
    EXPECT_EQ(list.fieldByName("IP").asString(), "10.0.0.19");
    EXPECT_EQ(port->text(), "33891");
    EXPECT_EQ(memo->toPlainText(), "a\nbc");
    list.post();
    EXPECT_EQ(stored("IP, PORT, BZ"), (Rows{{QString("10.0.0.19"), 33891, QString("a\r\nbc")}}));
}

TEST_F(DbEditTest, CancelShowsTheStoredValuesAgain) {
    type(ip, "x");
    type(port, "7");
    type(memo, "z");
    list.cancel();
    EXPECT_EQ(ip->text(), "10.0.0.1");
    EXPECT_EQ(port->text(), "3389");
    EXPECT_EQ(memo->toPlainText(), "a\nb");
    EXPECT_EQ(stored("IP, PORT, BZ"), (Rows{{QString("10.0.0.1"), 3389, QString("a\r\nb")}}));
}

TEST_F(DbEditTest, MemoStoresItsLineBreaksAsCrLfAndAReadOnlyMemoWritesNothing) {
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    typeText(memo, "c");
    leaveTo(other);
    EXPECT_EQ(list.fieldByName("BZ").asString(), "a\r\nb\r\nc");

    list.cancel();
    list.edit();
    memo->setReadOnly(true);
    memo->setPlainText("changed");
    leaveTo(other);
    list.post();
    EXPECT_EQ(stored("BZ"), (Rows{{QString("a\r\nb")}}));
}
