// The base windows: the Enter rule, Escape and the close box, the base
// dialog's buttons.
#include "app/udlgBase.h"
#include "app/ufmBase.h"
#include "widgets/DbMemo.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kestrune;

namespace {

// A window with three edits and a memo in tab order, shown and active.
struct FormWithEdits {
    TfmBase form;
    QLineEdit *a = new QLineEdit(&form);
    QLineEdit *b = new QLineEdit(&form);
    DbMemo *memo = new DbMemo(&form);
    QLineEdit *c = new QLineEdit(&form);

    FormWithEdits() {
        a->setGeometry(0, 0, 100, 20);
        b->setGeometry(0, 30, 100, 20);
        memo->setGeometry(0, 60, 100, 60);
        c->setGeometry(0, 130, 100, 20);
        QWidget::setTabOrder(a, b);
        QWidget::setTabOrder(b, memo);
        QWidget::setTabOrder(memo, c);
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
};

void pressEnter(QWidget *w) {
    QTest::keyClick(w, Qt::Key_Return);
    QCoreApplication::processEvents(); // the queued Tab
}

} // namespace

TEST(EnterRule, EnterMovesToTheNextControlAndTheControlStillGetsIt) {
    FormWithEdits f;
    f.a->setFocus();
    int returnPressed = 0;
    QObject::connect(f.a, &QLineEdit::returnPressed, [&] { ++returnPressed; });
    pressEnter(f.a);
    EXPECT_EQ(returnPressed, 1) << "the Enter was consumed";
    EXPECT_EQ(QApplication::focusWidget(), f.b);
}

TEST(EnterRule, TheTabIsQueuedNotSent) {
    FormWithEdits f;
    f.a->setFocus();
    QWidget *focusWhenEditSawEnter = nullptr;
    QObject::connect(f.a, &QLineEdit::returnPressed, [&] { focusWhenEditSawEnter = QApplication::focusWidget(); });
    QTest::keyClick(f.a, Qt::Key_Return);
    EXPECT_EQ(focusWhenEditSawEnter, f.a);
    EXPECT_EQ(QApplication::focusWidget(), f.a) << "focus moved before the queue ran";
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), f.b);
}

TEST(EnterRule, InTheMemoEnterBreaksTheLineAndThenMovesOn) {
    FormWithEdits f;
    f.memo->setFocus();
    QTest::keyClicks(f.memo, "ab");
    pressEnter(f.memo);
    EXPECT_EQ(f.memo->toPlainText(), QStringLiteral("ab\n"));
    EXPECT_EQ(QApplication::focusWidget(), f.c);
}

TEST(EnterRule, FormKeyDownSeesTheKeyBeforeTheControl) {
    struct Recording : TfmBase {
        QList<int> keys;
        QWidget *focusAtKey = nullptr;
        void FormKeyDown(int &Key, Qt::KeyboardModifiers Shift) override {
            keys << Key;
            TfmBase::FormKeyDown(Key, Shift);
        }
    } form;
    auto *edit = new QLineEdit(&form);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_A);
    // Each key once, however far it travels up the parents.
    EXPECT_EQ(form.keys, (QList<int>{VK_ESCAPE, 'A'}));
}

TEST(BaseWindows, EscapeDoesNotCloseAndTheCloseBoxCancels) {
    TfmBase form;
    auto *edit = new QLineEdit(&form);
    QTimer::singleShot(0, [&] {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible()) << "Escape or Enter closed the window";
        form.close();
    });
    EXPECT_EQ(form.exec(), mrCancel);
}

TEST(BaseWindows, DialogButtonsAndTheirAnchors) {
    TdlgBase dlg;
    EXPECT_EQ(dlg.btnOk->text(), QStringLiteral("确定"));
    EXPECT_EQ(dlg.btnExit->text(), QStringLiteral("关闭"));
    EXPECT_EQ(dlg.btnOk->geometry(), QRect(225, 255, 68, 25));
    EXPECT_EQ(dlg.btnExit->geometry(), QRect(305, 255, 68, 25));
    EXPECT_FALSE(dlg.btnOk->isDefault());
    // Anchored to the bottom-right corner.
    dlg.setClientSize(484, 191);
    EXPECT_EQ(dlg.btnOk->pos(), QPoint(325, 155));
    EXPECT_EQ(dlg.btnExit->pos(), QPoint(405, 155));
    QTimer::singleShot(0, [&] { dlg.btnExit->click(); });
    EXPECT_EQ(dlg.exec(), mrCancel);
}

TEST(BaseWindows, TheWindowFontIsSongTiTwelvePixels) {
    TfmBase form;
    EXPECT_EQ(form.font().families().value(0), QStringLiteral("宋体"));
    EXPECT_EQ(form.font().pixelSize(), 12);
}

TEST(BaseWindows, EnterPressesAButtonOnlyWhenItHasTheFocus) {
    TdlgBase dlg;
    auto *edit = new QLineEdit(&dlg);
    edit->setGeometry(10, 10, 100, 20);
    QWidget::setTabOrder(edit, dlg.btnOk);
    int clicks = 0;
    QObject::connect(dlg.btnOk, &QPushButton::clicked, [&] { ++clicks; });
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_FALSE(dlg.btnOk->autoDefault()) << "drawn as the default button";

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(clicks, 0) << "Enter in an edit pressed a button";
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), dlg.btnOk);
    QTest::keyClick(dlg.btnOk, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(dlg.isVisible());
}
