// The real message boxes: buttons, answers, no icon, and their owner.
#include "app/MessageBoxes.h"
#include "app/ufmBase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>

using namespace kestrune;

namespace {

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Information;
    QStringList buttons;
    QWidget *parent = nullptr;
};

// Inspects the box that `show` opens and closes it with `act`.
SeenBox whenBoxOpens(const std::function<void(QMessageBox &)> &act, const std::function<void()> &show) {
    SeenBox seen;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no message box open";
            return;
        }
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.parent = box->parentWidget();
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text();
        act(*box);
    });
    show();
    return seen;
}

QAbstractButton *buttonWithText(QMessageBox &box, const QString &text) {
    for (QAbstractButton *b : box.buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

TEST(MessageBoxes, ShowMsgHasOneOkButtonAndNoIcon) {
    const SeenBox seen = whenBoxOpens([](QMessageBox &box) { box.buttons().first()->click(); },
                                      [] { ShowMsg(QStringLiteral("输入的密码不正确！"), QStringLiteral("提示")); });
    EXPECT_EQ(seen.title, QStringLiteral("提示"));
    EXPECT_EQ(seen.text, QStringLiteral("输入的密码不正确！"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("确定")});
    EXPECT_EQ(seen.parent, nullptr) << "no window is active, so the box has no owner";
}

TEST(MessageBoxes, AskYesNoAnswersSixForYesAndSevenForNo) {
    struct Case {
        QString press; // button text, or empty for Escape
        int expected;
    };
    for (const Case &c : {Case{QStringLiteral("是(&Y)"), IDYES}, Case{QStringLiteral("否(&N)"), IDNO}, Case{QString(), IDNO}}) {
        int answer = 0;
        const SeenBox seen = whenBoxOpens(
            [&](QMessageBox &box) {
                if (c.press.isEmpty())
                    QTest::keyClick(&box, Qt::Key_Escape);
                else
                    buttonWithText(box, c.press)->click();
            },
            [&] { answer = AskYesNo(QStringLiteral("你确实要删除这个服务器吗？"), QStringLiteral("注意")); });
        EXPECT_EQ(answer, c.expected) << c.press.toStdString();
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons.size(), 2);
        EXPECT_EQ(seen.title, QStringLiteral("注意"));
    }
}

TEST(MessageBoxes, TheActiveWindowOwnsTheBox) {
    TfmBase window;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const SeenBox seen = whenBoxOpens([](QMessageBox &box) { box.buttons().first()->click(); },
                                      [] { ShowMsg(QStringLiteral("x"), QStringLiteral("提示")); });
    EXPECT_EQ(seen.parent, &window);
}
