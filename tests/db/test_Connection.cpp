// Opening the database: what a missing, foreign, wrongly keyed or busy file
// does, and that nothing is ever created or changed by a failed attempt.
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Schema.h"
#include "platform/Exception.h"
#include "tests/support/Database.h"
#include "tests/support/Errors.h"
#include "tests/support/TempDir.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <thread>

using namespace kestrune;
using namespace kestrune::test;

namespace {

QByteArray fileHash(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

std::optional<QString> openError(const QString &path, const QByteArray &key) {
    db::Connection conn;
    return errorMessageOf([&] { conn.open(path, key); });
}

} // namespace

TEST(Connection, MissingFileFailsWithEngineTextAndIsNotCreated) {
    TempDir dir;
    const QString path = dir.file(db::DatabaseFileName);
    EXPECT_EQ(openError(path, db::DatabaseKey), QStringLiteral("unable to open database file"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(Connection, WrongKeyAndForeignFilesFailAndStayUnchanged) {
    TempDir dir;
    const QString good = makeDatabase(dir.path());
    const QString text = dir.file("notes.mdb");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Standard Jet DB\0\0\0 this is not SQLCipher", 40);
    }
    const QString empty = dir.file("empty.mdb");
    QFile(empty).open(QIODevice::WriteOnly);

    struct Case {
        QString path;
        QByteArray key;
    };
    for (const Case &c : {Case{good, "wrong"}, Case{good, ""}, Case{text, db::DatabaseKey}}) {
        const QByteArray before = fileHash(c.path);
        EXPECT_EQ(openError(c.path, c.key), QStringLiteral("file is encrypted or is not a database")) << c.path.toStdString();
        EXPECT_EQ(fileHash(c.path), before) << "a failed open changed " << c.path.toStdString();
    }
    // An empty file is an empty database to the engine; it opens, and the
    // first query names the missing table.
    db::Connection conn;
    conn.open(empty, db::DatabaseKey);
    db::Query q(&conn, "Q");
    q.setSql("select * from FWQ");
    EXPECT_EQ(errorMessageOf([&] { q.open(); }), QStringLiteral("no such table: FWQ"));
}

TEST(Connection, FileMadeByTheSqlcipherShellOpens) {
    if (QProcess::execute("sh", {"-c", "command -v sqlcipher >/dev/null"}) != 0)
        GTEST_SKIP() << "the sqlcipher shell is not installed";
    TempDir dir;
    const QString path = dir.file("data.mdb");
    QProcess shell;
    shell.start("sqlcipher", {path});
    ASSERT_TRUE(shell.waitForStarted());
    shell.write("PRAGMA key = 'mirado';\n"
                "CREATE TABLE FWQ (IP TEXT, PORT INTEGER, YHM TEXT, MM TEXT, BZ TEXT);\n"
                "INSERT INTO FWQ VALUES ('10.1.2.3', 3389, 'admin', 'pw', '机房');\n");
    shell.closeWriteChannel();
    ASSERT_TRUE(shell.waitForFinished(30000));
    auto conn = openDatabase(path);
    const Rows rows = readRows(*conn, "select IP, PORT, BZ from FWQ");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), "10.1.2.3");
    EXPECT_EQ(rows[0][2].toString(), QStringLiteral("机房"));
}

TEST(Connection, AnotherProcessMayShareTheFileAndAShortLockIsWaitedFor) {
    TempDir dir;
    const QString path = makeDatabase(dir.path());
    db::Connection ours;
    ours.open(path, db::DatabaseKey, 5000);
    auto theirs = openDatabase(path);
    exec(*theirs, "BEGIN EXCLUSIVE; INSERT INTO FWQ (IP, PORT) VALUES ('a', 1);");
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        exec(*theirs, "COMMIT;");
    });
    db::Query q(&ours, "Q");
    q.setSql("select count(*) from FWQ");
    EXPECT_NO_THROW(q.open());
    releaser.join();
    EXPECT_EQ(q.field(0).asInteger(), 1);
}

TEST(Connection, ALockHeldTooLongFailsWithAMessageNotAHang) {
    TempDir dir;
    const QString path = makeDatabase(dir.path());
    db::Connection ours;
    ours.open(path, db::DatabaseKey, 200);
    auto theirs = openDatabase(path);
    exec(*theirs, "BEGIN EXCLUSIVE; INSERT INTO FWQ (IP, PORT) VALUES ('a', 1);");
    db::Query q(&ours, "Q");
    q.setSql("select count(*) from FWQ");
    EXPECT_EQ(errorMessageOf([&] { q.open(); }), QStringLiteral("database is locked"));
    exec(*theirs, "ROLLBACK;");
    EXPECT_NO_THROW(q.open());
    EXPECT_EQ(q.field(0).asInteger(), 0);
}

TEST(Schema, NewDatabaseHasOperatorOneNoPasswordAndRefusesToOverwrite) {
    TempDir dir;
    const QString path = makeDatabase(dir.path(), true);
    auto conn = openDatabase(path);
    EXPECT_EQ(readRows(*conn, "select ID from CZY where ID=1").size(), 1u);
    EXPECT_TRUE(readRows(*conn, "select MM from CZYMM").empty());
    EXPECT_EQ(readRows(*conn, "select LXID,XMID,XMMC FROM ZDXM ORDER BY LXID,XMID").size(), 0u);
    EXPECT_EQ(readRows(*conn, "select * from FWQ").size(), static_cast<size_t>(db::sampleServers().size()));

    const QByteArray before = fileHash(path);
    EXPECT_THROW(db::createDatabase(path, db::DatabaseKey, false), Exception);
    EXPECT_EQ(fileHash(path), before);
}
