#pragma once
// A fresh database in a folder of its own, made the current directory, with
// the data module open on it; message boxes answered by the test and
// recorded.

#include "app/MessageBoxes.h"
#include "tests/support/Database.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace kestrune::test {

// Records every box instead of showing it; answers with `answer` (IDYES,
// IDNO, IDOK) unless a test changes it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    std::vector<MessageRequest> shown;
    int answer = IDOK;

    // Texts of the boxes of one kind, in order.
    QStringList texts(MessageKind kind) const;

private:
    MessageAnswerer previous_;
};

class AppFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the data module on the fixture's database.
    void openDataModule();
    // Runs statements on the test's own connection.
    void sql(const QString &statements) { exec(*reader, statements); }
    Rows rows(const QString &query) { return readRows(*reader, query); }

    TempDir dir;
    std::optional<ScopedCurrentDir> cwd;
    QString path;
    std::unique_ptr<db::Connection> reader;
    MessageRecorder boxes;
};

} // namespace kestrune::test
