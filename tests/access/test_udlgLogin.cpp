// The start-up login: when the window appears, which text opens the program,
// how the window ends, and how start-up ends when the database lets it down.
#include "access/udlgLogin.h"
#include "tests/access/AccessFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

using namespace kestrune;
using namespace kestrune::test;

namespace {

const QString WrongPassword = QStringLiteral("输入的密码不正确！");
const QString Notice = QStringLiteral("提示");

class LoginTest : public AccessFixture {
protected:
    void SetUp() override {
        AccessFixture::SetUp();
        CurrentOperatorID = 0;
    }
};

enum class Submit { Enter, ClickLoginArea };

void submit(TdlgLogin &w, Submit how) {
    if (how == Submit::Enter)
        QTest::keyClick(w.eMM, Qt::Key_Return);
    else
        QTest::mouseClick(w.Label3, Qt::LeftButton);
}

std::string submitName(Submit how) { return how == Submit::Enter ? "Enter" : "ClickLoginArea"; }

// ---------------------------------------------------------------- no password

struct NoPasswordCase {
    const char *name;
    const char *sql; // what CZYMM holds, on top of a fresh database
};

void PrintTo(const NoPasswordCase &c, std::ostream *os) { *os << c.name; }

class NoPasswordTest : public LoginTest, public testing::WithParamInterface<NoPasswordCase> {};

TEST_P(NoPasswordTest, StartUpGoesOnWithoutTheLoginWindow) {
    if (*GetParam().sql)
        exec(*own, QString::fromUtf8(GetParam().sql));
    const Rows before = passwordRows();

    EXPECT_TRUE(DoLogin());

    EXPECT_EQ(timesShown<TdlgLogin>(), 0);
    EXPECT_EQ(alive<TdlgLogin>(), 0);
    EXPECT_EQ(CurrentOperatorID, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(passwordRows(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Login, NoPasswordTest,
    testing::Values(NoPasswordCase{"NoRow", ""}, NoPasswordCase{"NullText", "INSERT INTO CZYMM (ID, MM) VALUES (1, NULL)"},
                    NoPasswordCase{"EmptyText", "INSERT INTO CZYMM (ID, MM) VALUES (1, '')"},
                    NoPasswordCase{"OnlyAnotherOperatorHasOne", "INSERT INTO CZYMM (ID, MM) VALUES (2, 'other')"}),
    [](const testing::TestParamInfo<NoPasswordCase> &p) { return std::string(p.param.name); });

// ------------------------------------------------------- what the edit accepts

struct MatchCase {
    const char *name;
    QString stored;
    QString typed;
    bool accepted;
};

void PrintTo(const MatchCase &c, std::ostream *os) { *os << c.name; }
void PrintTo(Submit how, std::ostream *os) { *os << submitName(how); }

class LoginMatchTest : public LoginTest, public testing::WithParamInterface<std::tuple<MatchCase, Submit>> {};

TEST_P(LoginMatchTest, OnlyTheIdenticalTextOpensTheProgram) {
    const auto &[c, how] = GetParam();
    storePassword(1, c.stored);
    bool focusedAtOpen = false;
    bool openAfterSubmit = false;
    QString leftInEdit;
    whenShown<TdlgLogin>([&, how = how, typed = c.typed](TdlgLogin &w) {
        focusedAtOpen = QApplication::focusWidget() == w.eMM;
        typeText(w.eMM, typed);
        submit(w, how);
        openAfterSubmit = w.isVisible();
        leftInEdit = w.eMM->text();
        if (openAfterSubmit)
            QTest::keyClick(w.eMM, Qt::Key_Escape);
    });

    const bool granted = DoLogin();

    EXPECT_EQ(timesShown<TdlgLogin>(), 1);
    EXPECT_TRUE(focusedAtOpen);
    EXPECT_EQ(granted, c.accepted);
    if (c.accepted) {
        EXPECT_FALSE(openAfterSubmit);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(CurrentOperatorID, 1);
    } else {
        EXPECT_TRUE(openAfterSubmit) << "a wrong password closed the window";
        EXPECT_EQ(leftInEdit, c.typed) << "the typed text must stay for another try";
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].kind, MessageKind::Ok);
        EXPECT_EQ(messages[0].text, WrongPassword);
        EXPECT_EQ(messages[0].caption, Notice);
        EXPECT_EQ(CurrentOperatorID, 0);
    }
    EXPECT_EQ(alive<TdlgLogin>(), 0);
    EXPECT_EQ(passwordRows(), (Rows{{1, c.stored}}));
}

const MatchCase matchCases[] = {
    {"Identical", "Kestrune8", "Kestrune8", true},
    {"CaseOnly", "Kestrune8", "kestrune8", false},
    {"LeadingBlank", "Kestrune8", " Kestrune8", false},
    {"TrailingBlank", "Kestrune8", "Kestrune8 ", false},
    {"Nothing", "Kestrune8", "", false},
    {"Chinese", QStringLiteral("口令Ab"), QStringLiteral("口令Ab"), true},
    {"StoredBlanksTypedWithThem", QStringLiteral(" 口令 "), QStringLiteral(" 口令 "), true},
    {"StoredBlanksTypedTrimmed", QStringLiteral(" 口令 "), QStringLiteral("口令"), false},
    {"StoredBlanksTypedWithoutTheLeading", QStringLiteral(" 口令 "), QStringLiteral("口令 "), false},
};

INSTANTIATE_TEST_SUITE_P(Login, LoginMatchTest,
                         testing::Combine(testing::ValuesIn(matchCases),
                                          testing::Values(Submit::Enter, Submit::ClickLoginArea)),
                         [](const testing::TestParamInfo<std::tuple<MatchCase, Submit>> &p) {
                             return std::string(std::get<0>(p.param).name) + "_" +
                                    submitName(std::get<1>(p.param));
                         });

TEST_F(LoginTest, ARefusedTextStaysSoEnterRepeatsTheCheckAndAFixedOneIsAccepted) {
    storePassword(1, "pw");
    QString afterFirst, afterSecond;
    bool focusStayed = false;
    whenShown<TdlgLogin>([&](TdlgLogin &w) {
        typeText(w.eMM, "pW");
        QTest::keyClick(w.eMM, Qt::Key_Return);
        QCoreApplication::processEvents(); // the Tab queued by Enter
        focusStayed = QApplication::focusWidget() == w.eMM;
        afterFirst = w.eMM->text();
        QTest::keyClick(w.eMM, Qt::Key_Return);
        QCoreApplication::processEvents();
        afterSecond = w.eMM->text();
        QTest::keyClick(w.eMM, Qt::Key_Backspace);
        typeText(w.eMM, "w");
        QTest::mouseClick(w.Label3, Qt::LeftButton);
    });

    EXPECT_TRUE(DoLogin());

    EXPECT_TRUE(focusStayed);
    EXPECT_EQ(afterFirst, "pW");
    EXPECT_EQ(afterSecond, "pW");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, WrongPassword);
    EXPECT_EQ(CurrentOperatorID, 1);
}

TEST_F(LoginTest, AClickElsewhereOnThePictureChecksNothing) {
    storePassword(1, "pw");
    bool open = false;
    whenShown<TdlgLogin>([&](TdlgLogin &w) {
        typeText(w.eMM, "pw");
        QTest::mouseClick(w.imgBack, Qt::LeftButton, {}, QPoint(60, 200));
        // Pressed on the login area but released off it: no click.
        QTest::mousePress(w.Label3, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(w.Label3, Qt::LeftButton, {}, QPoint(-30, 10));
        open = w.isVisible();
        QTest::keyClick(w.eMM, Qt::Key_Escape);
    });

    EXPECT_FALSE(DoLogin());
    EXPECT_TRUE(open);
    EXPECT_TRUE(messages.empty());
}

// ------------------------------------------------------------------- cancelling

enum class Cancel { Escape, CloseBox };

class LoginCancelTest : public LoginTest, public testing::WithParamInterface<Cancel> {};

TEST_P(LoginCancelTest, EndsTheLoginRefusedEvenWithTheRightTextTyped) {
    storePassword(1, "pw");
    whenShown<TdlgLogin>([cancel = GetParam()](TdlgLogin &w) {
        typeText(w.eMM, "pw");
        if (cancel == Cancel::Escape)
            QTest::keyClick(w.eMM, Qt::Key_Escape);
        else
            w.close();
    });

    EXPECT_FALSE(DoLogin());

    EXPECT_EQ(timesShown<TdlgLogin>(), 1);
    EXPECT_EQ(alive<TdlgLogin>(), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(CurrentOperatorID, 0);
    EXPECT_EQ(passwordRows(), (Rows{{1, "pw"}}));
}

INSTANTIATE_TEST_SUITE_P(Login, LoginCancelTest, testing::Values(Cancel::Escape, Cancel::CloseBox),
                         [](const testing::TestParamInfo<Cancel> &p) {
                             return std::string(p.param == Cancel::Escape ? "Escape" : "CloseBox");
                         });

// ------------------------------------------------- start-up the login cannot pass

struct AbortCase {
    const char *name;
    const char *sql;  // run on a fresh database
    QString typed;    // the right password, or empty when none is stored
    QString inMessage;
};

void PrintTo(const AbortCase &c, std::ostream *os) { *os << c.name; }

class LoginAbortTest : public LoginTest, public testing::WithParamInterface<AbortCase> {};

TEST_P(LoginAbortTest, ShowsWhyAndEndsStartUpWithAFailureStatus) {
    const AbortCase &c = GetParam();
    exec(*own, QString::fromUtf8(c.sql));
    if (!c.typed.isEmpty())
        whenShown<TdlgLogin>([&](TdlgLogin &w) {
            typeText(w.eMM, c.typed);
            QTest::keyClick(w.eMM, Qt::Key_Return);
        });

    int status = 0;
    try {
        DoLogin();
        ADD_FAILURE() << "start-up went on";
    } catch (const StartupAborted &e) {
        status = e.exitCode();
    }

    EXPECT_EQ(status, ExitLoginFailed);
    EXPECT_NE(status, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, MessageKind::Ok);
    EXPECT_EQ(messages[0].caption, Notice);
    EXPECT_TRUE(messages[0].text.contains(c.inMessage)) << messages[0].text.toStdString();
    EXPECT_EQ(timesShown<TdlgLogin>(), c.typed.isEmpty() ? 0 : 1);
    EXPECT_EQ(alive<TdlgLogin>(), 0);
    EXPECT_EQ(CurrentOperatorID, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Login, LoginAbortTest,
    testing::Values(AbortCase{"PasswordTableMissing", "DROP TABLE CZYMM", "", "no such table: CZYMM"},
                    AbortCase{"PasswordColumnMissing", "DROP TABLE CZYMM; CREATE TABLE CZYMM (ID INTEGER)", "",
                              "no such column: MM"},
                    AbortCase{"OperatorTableMissing",
                              "INSERT INTO CZYMM (ID, MM) VALUES (1, 'pw'); DROP TABLE CZY", "pw",
                              "no such table: CZY"},
                    AbortCase{"NoOperatorRow", "DELETE FROM CZY", "", "CZY"},
                    AbortCase{"NoOperatorRowAfterThePassword",
                              "INSERT INTO CZYMM (ID, MM) VALUES (1, 'pw'); DELETE FROM CZY", "pw", "CZY"}),
    [](const testing::TestParamInfo<AbortCase> &p) { return std::string(p.param.name); });

// ----------------------------------------------------------------------- layout

TEST_F(LoginTest, TheEditAndTheLoginAreaLieOverTheLoadedPicture) {
    TdlgLogin w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("登录窗口"));
    EXPECT_EQ(w.size(), QSize(521, 269));
    ASSERT_FALSE(w.imgBack->pixmap().isNull()) << "the background picture is not in the resources";
    EXPECT_EQ(w.imgBack->pixmap().size(), QSize(522, 270));
    // What a click or a key at these points reaches.
    EXPECT_EQ(w.childAt(441, 148), w.Label3);
    EXPECT_EQ(w.childAt(280, 150), w.eMM);
    EXPECT_EQ(w.childAt(60, 200), w.imgBack);
    EXPECT_EQ(w.Label3->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(w.Label3->text().isEmpty());
    EXPECT_FALSE(w.eMM->hasFrame());
    EXPECT_EQ(w.eMM->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(w.btnOk->isHidden());
    EXPECT_TRUE(w.btnExit->isHidden());
    EXPECT_EQ(w.btnOk->text(), QStringLiteral("登录"));
    EXPECT_EQ(w.btnExit->text(), QStringLiteral("退出"));
}

} // namespace
