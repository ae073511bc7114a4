// The password setting dialog: what it stores, what it refuses, how it ends,
// and the 8-byte limit of its edit.
#include "access/udlgMMSZ.h"
#include "platform/GbkCodec.h"
#include "tests/access/AccessFixture.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

using namespace kestrune;
using namespace kestrune::test;

namespace {

const QString EmptyPassword = QStringLiteral("密码不能为空！");

using PasswordDialogTest = AccessFixture;

enum class Confirm { Enter, ClickOk };

void confirm(TdlgMMSZ &w, Confirm how) {
    if (how == Confirm::Enter)
        QTest::keyClick(w.eMM, Qt::Key_Return);
    else
        QTest::mouseClick(w.btnOk, Qt::LeftButton);
}

std::string confirmName(Confirm how) { return how == Confirm::Enter ? "Enter" : "ClickOk"; }

// Opens the dialog for `operatorID`, enters `entry` as a paste would, confirms
// it and reports whether the dialog was still open afterwards.
bool setPassword(PasswordDialogTest &test, int operatorID, const QString &entry, Confirm how = Confirm::Enter) {
    bool open = false;
    test.whenShown<TdlgMMSZ>([&](TdlgMMSZ &w) {
        w.eMM->insert(entry);
        confirm(w, how);
        open = w.isVisible();
        if (open)
            QTest::mouseClick(w.btnExit, Qt::LeftButton);
    });
    ShowPasswordDialog(operatorID);
    return open;
}

// ------------------------------------------------------------- what is stored

struct TrimCase {
    const char *name;
    QString entry;
    QString stored;
};

void PrintTo(const TrimCase &c, std::ostream *os) { *os << c.name; }
void PrintTo(Confirm how, std::ostream *os) { *os << confirmName(how); }

class StoreTrimmedTest : public PasswordDialogTest, public testing::WithParamInterface<std::tuple<TrimCase, Confirm>> {};

TEST_P(StoreTrimmedTest, StoresTheEntryWithoutBlanksAtItsEndsAndCloses) {
    const auto &[c, how] = GetParam();
    bool focusedAtOpen = false;
    bool open = true;
    QString shownInEdit;
    whenShown<TdlgMMSZ>([&, how = how, entry = c.entry](TdlgMMSZ &w) {
        focusedAtOpen = QApplication::focusWidget() == w.eMM;
        w.eMM->insert(entry);
        shownInEdit = w.eMM->text();
        confirm(w, how);
        open = w.isVisible();
        if (open)
            w.close();
    });

    ShowPasswordDialog(1);

    EXPECT_TRUE(focusedAtOpen);
    EXPECT_EQ(shownInEdit, c.entry);
    EXPECT_FALSE(open);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(passwordRows(), (Rows{{1, c.stored}}));
    EXPECT_EQ(alive<TdlgMMSZ>(), 0);
}

const TrimCase trimCases[] = {
    {"Plain", "Kestrune", "Kestrune"},
    {"BlanksAtBothEnds", "  ab c  ", "ab c"},
    {"ControlCharacters", QStringLiteral("\t\x01pw\r"), "pw"},
    {"Chinese", QStringLiteral("口令"), QStringLiteral("口令")},
    {"FullWidthBlankStays", QStringLiteral("\u3000口令"), QStringLiteral("\u3000口令")},
};

INSTANTIATE_TEST_SUITE_P(PasswordDialog, StoreTrimmedTest,
                         testing::Combine(testing::ValuesIn(trimCases), testing::Values(Confirm::Enter, Confirm::ClickOk)),
                         [](const testing::TestParamInfo<std::tuple<TrimCase, Confirm>> &p) {
                             return std::string(std::get<0>(p.param).name) + "_" +
                                    confirmName(std::get<1>(p.param));
                         });

// ------------------------------------------------------------ update or insert

struct WriteCase {
    const char *name;
    Rows before;
    int operatorID;
    QString entry;
    Rows after;
};

void PrintTo(const WriteCase &c, std::ostream *os) { *os << c.name; }

class WriteTest : public PasswordDialogTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(WriteTest, ReplacesTheOperatorsRowOrAddsIt) {
    const WriteCase &c = GetParam();
    for (const auto &row : c.before)
        storePassword(row[0].toInt(), row[1]);

    EXPECT_FALSE(setPassword(*this, c.operatorID, c.entry));

    EXPECT_TRUE(messages.empty()) << messages[0].text.toStdString();
    EXPECT_EQ(passwordRows(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    PasswordDialog, WriteTest,
    testing::Values(WriteCase{"RowAbsent", {}, 1, "new", {{1, "new"}}},
                    WriteCase{"RowPresent", {{1, "old"}}, 1, "new", {{1, "new"}}},
                    WriteCase{"RowWithNull", {{1, QVariant()}}, 1, "new", {{1, "new"}}},
                    WriteCase{"SamePasswordAgain", {{1, "same"}}, 1, "same", {{1, "same"}}},
                    WriteCase{"AnotherOperator", {{1, "old"}}, 5, "new", {{1, "old"}, {5, "new"}}}),
    [](const testing::TestParamInfo<WriteCase> &p) { return std::string(p.param.name); });

TEST_F(PasswordDialogTest, SettingTheSamePasswordTwiceLeavesOneRow) {
    EXPECT_FALSE(setPassword(*this, 1, "twice"));
    EXPECT_FALSE(setPassword(*this, 1, "twice", Confirm::ClickOk));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(passwordRows(), (Rows{{1, "twice"}}));
}

// ---------------------------------------------------------------- refusals

class BlankEntryTest : public PasswordDialogTest, public testing::WithParamInterface<QString> {};

TEST_P(BlankEntryTest, IsRefusedAndNothingIsWritten) {
    storePassword(1, "old");
    bool open = false;
    QString left;
    whenShown<TdlgMMSZ>([&, entry = GetParam()](TdlgMMSZ &w) {
        w.eMM->insert(entry);
        QTest::mouseClick(w.btnOk, Qt::LeftButton);
        open = w.isVisible();
        left = w.eMM->text();
        QTest::mouseClick(w.btnExit, Qt::LeftButton);
    });

    ShowPasswordDialog(1);

    EXPECT_TRUE(open);
    EXPECT_EQ(left, GetParam());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, MessageKind::Ok);
    EXPECT_EQ(messages[0].text, EmptyPassword);
    EXPECT_EQ(messages[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(passwordRows(), (Rows{{1, "old"}}));
}

INSTANTIATE_TEST_SUITE_P(PasswordDialog, BlankEntryTest,
                         testing::Values(QString(), QStringLiteral("   "), QStringLiteral("\t \r\n")));

enum class Close { CloseButton, CloseBox };

class CloseTest : public PasswordDialogTest, public testing::WithParamInterface<Close> {};

TEST_P(CloseTest, WritesNothingAndEscapeDoesNotClose) {
    storePassword(1, "old");
    bool openAfterEscape = false;
    whenShown<TdlgMMSZ>([&, how = GetParam()](TdlgMMSZ &w) {
        w.eMM->insert("new");
        QTest::keyClick(w.eMM, Qt::Key_Escape);
        openAfterEscape = w.isVisible();
        if (how == Close::CloseButton)
            QTest::mouseClick(w.btnExit, Qt::LeftButton);
        else
            w.close();
    });

    ShowPasswordDialog(1);

    EXPECT_TRUE(openAfterEscape);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(passwordRows(), (Rows{{1, "old"}}));
    EXPECT_EQ(alive<TdlgMMSZ>(), 0);
}

INSTANTIATE_TEST_SUITE_P(PasswordDialog, CloseTest, testing::Values(Close::CloseButton, Close::CloseBox),
                         [](const testing::TestParamInfo<Close> &p) {
                             return std::string(p.param == Close::CloseButton ? "CloseButton" : "CloseBox");
                         });

TEST_F(PasswordDialogTest, ADatabaseErrorIsShownAndTheDialogStaysOpen) {
    bool open = false;
    QString left;
    whenShown<TdlgMMSZ>([&](TdlgMMSZ &w) {
        exec(*own, "DROP TABLE CZYMM");
        typeText(w.eMM, "pw");
        QTest::keyClick(w.eMM, Qt::Key_Return);
        open = w.isVisible();
        left = w.eMM->text();
        w.close();
    });

    ShowPasswordDialog(1);

    EXPECT_TRUE(open);
    EXPECT_EQ(left, "pw");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(messages[0].text.contains("no such table: CZYMM")) << messages[0].text.toStdString();
}

// ------------------------------------------------------------ the 8-byte limit

struct LimitCase {
    const char *name;
    std::function<void(QLineEdit *)> enter;
    QString expected;
};

void PrintTo(const LimitCase &c, std::ostream *os) { *os << c.name; }

class ByteLimitTest : public PasswordDialogTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(ByteLimitTest, TheEditHoldsAtMostEightGbkBytes) {
    const LimitCase &c = GetParam();
    QString held;
    whenShown<TdlgMMSZ>([&](TdlgMMSZ &w) {
        c.enter(w.eMM);
        held = w.eMM->text();
        QTest::keyClick(w.eMM, Qt::Key_Return);
    });

    ShowPasswordDialog(1);

    EXPECT_EQ(held, c.expected);
    EXPECT_LE(platform::gbkLength(held), MaxPasswordBytes);
    EXPECT_EQ(passwordRows(), (Rows{{1, c.expected}}));
}

void commitByInputMethod(QLineEdit *edit, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

INSTANTIATE_TEST_SUITE_P(
    PasswordDialog, ByteLimitTest,
    testing::Values(
        LimitCase{"ChineseStopsAtFourCharacters", [](QLineEdit *e) { typeText(e, QStringLiteral("一二三四五")); },
                  QStringLiteral("一二三四")},
        LimitCase{"LatinStopsAtEight", [](QLineEdit *e) { typeText(e, "abcdefghij"); }, "abcdefgh"},
        LimitCase{"Mixed", [](QLineEdit *e) { typeText(e, QStringLiteral("abc一二三")); }, QStringLiteral("abc一二")},
        LimitCase{"NoHalfCharacterInTheLastByte", [](QLineEdit *e) { typeText(e, QStringLiteral("abcdefg一h")); },
                  "abcdefgh"},
        LimitCase{"PasteIsCut", [](QLineEdit *e) { e->insert(QStringLiteral("一二三四五")); }, QStringLiteral("一二三四")},
        LimitCase{"InputMethodCommitIsCut",
                  [](QLineEdit *e) { commitByInputMethod(e, QStringLiteral("密码设置完成")); }, QStringLiteral("密码设置")},
        LimitCase{"TypingInTheMiddleKeepsTheTail",
                  [](QLineEdit *e) {
                      typeText(e, "abcdefg");
                      e->setCursorPosition(2);
                      typeText(e, QStringLiteral("一x"));
                  },
                  "abxcdefg"},
        LimitCase{"ReplacingASelectionTakesWhatFits",
                  [](QLineEdit *e) {
                      typeText(e, QStringLiteral("一二三四"));
                      e->setSelection(0, 1);
                      typeText(e, QStringLiteral("五六"));
                  },
                  QStringLiteral("五二三四")}),
    [](const testing::TestParamInfo<LimitCase> &p) { return std::string(p.param.name); });

} // namespace
