#pragma once
// A fresh database in a folder of its own made the current directory, the
// data module on it, message boxes answered and recorded, and a way to drive
// a modal window once it is on screen. A second connection of the test's own
// reads back what the windows wrote.

#include "app/MessageBoxes.h"
#include "app/uPubData.h"
#include "tests/support/Database.h"
#include "tests/support/TempDir.h"

#include <QTimer>
#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace kestrune::test {

class AccessFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    // Runs `drive` on the modal window of type W once it is shown and active.
    // A window still open after a generous time is closed with a failure, so
    // that a fault ends the test instead of hanging it.
    template <typename W>
    void whenShown(std::function<void(W &)> drive);

    // Times a window of type W has been shown since the test began.
    template <typename W>
    int timesShown() const;

    // Top-level windows of type W that still exist.
    template <typename W>
    int alive() const;

    // MM of the CZYMM rows, by ID, read through the test's own connection.
    Rows passwordRows();
    void storePassword(int id, const QVariant &mm);

    TempDir dir;
    QString path = makeDatabase(dir.path());
    ScopedCurrentDir cwd{dir.path()};
    std::unique_ptr<db::Connection> own = openDatabase(path);
    std::unique_ptr<TPubData> data;
    std::vector<MessageRequest> messages;
    std::vector<QString> shown; // class names of the windows shown

private:
    void onModal(const std::function<void(QWidget &)> &drive);

    MessageAnswerer previousAnswerer_;
    std::unique_ptr<QObject> showWatch_;
    QTimer watchdog_;
};

// Types `text` into `widget` key by key, each key carrying its character, as
// a keyboard or an input method that commits one character at a time does.
void typeText(QWidget *widget, const QString &text);

template <typename W>
void AccessFixture::whenShown(std::function<void(W &)> drive) {
    onModal([drive](QWidget &w) {
        auto *window = qobject_cast<W *>(&w);
        ASSERT_NE(window, nullptr) << "the modal window is a " << w.metaObject()->className();
        drive(*window);
    });
}

template <typename W>
int AccessFixture::timesShown() const {
    const QString name = QString::fromLatin1(W::staticMetaObject.className());
    return static_cast<int>(std::count(shown.begin(), shown.end(), name));
}

template <typename W>
int AccessFixture::alive() const {
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<W *>(w) ? 1 : 0;
    return n;
}

} // namespace kestrune::test
