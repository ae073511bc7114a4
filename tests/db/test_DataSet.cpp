// The list's updatable data set: declared fields, widths in GBK bytes, and
// writes that land on exactly their own row of the table.
#include "db/Query.h"
#include "platform/Exception.h"
#include "tests/support/Database.h"
#include "tests/support/Errors.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace kestrune;
using namespace kestrune::test;

namespace {

void declareServerFields(db::Query &q) {
    using db::FieldKind;
    q.addField({"IP", FieldKind::Text, 1, QStringLiteral("IP地址")});
    q.addField({"PORT", FieldKind::Integer, 1, QStringLiteral("端口号")});
    q.addField({"YHM", FieldKind::Text, 1, QStringLiteral("用户名")});
    q.addField({"MM", FieldKind::Text, 1, QStringLiteral("密码")});
    q.addField({"BZ", FieldKind::Memo, 0, QStringLiteral("备注")});
}

} // namespace

class DataSetTest : public testing::Test {
protected:
    void openList(const QString &sql = "select * from FWQ") {
        list.setSql(sql);
        list.open();
    }
    TempDir dir;
    QString path = makeDatabase(dir.path());
    std::unique_ptr<db::Connection> conn = openDatabase(path);
    std::unique_ptr<db::Connection> reader = openDatabase(path);
    db::Query list{conn.get(), "qMain"};
    void SetUp() override { declareServerFields(list); }
};

TEST_F(DataSetTest, EditAndDeleteTouchOnlyTheirOwnRowAmongIdenticalRows) {
    exec(*conn, "INSERT INTO FWQ VALUES ('h', 1, 'u', 'p', 'x'), ('h', 1, 'u', 'p', 'x'), ('h', 1, 'u', 'p', 'x')");
    openList();
    list.moveTo(1);
    list.edit();
    list.fieldByName("YHM").setAsString("changed");
    list.post();
    EXPECT_EQ(readRows(*reader, "select rowid from FWQ where YHM='changed'"), (Rows{{2}}));

    list.moveTo(2);
    list.remove();
    EXPECT_EQ(readRows(*reader, "select rowid, YHM from FWQ order by rowid"), (Rows{{1, "u"}, {2, "changed"}}));
    EXPECT_EQ(list.recordCount(), 2);
    EXPECT_EQ(list.recNo(), 1);
}

TEST_F(DataSetTest, WorksOnAFiveColumnTableMadeByOtherMeans) {
    exec(*conn, "DROP TABLE FWQ; CREATE TABLE FWQ (IP TEXT, PORT INTEGER, YHM TEXT, MM TEXT, BZ TEXT);"
                "INSERT INTO FWQ VALUES ('s', 22, 'a', 'b', NULL), ('s', 22, 'a', 'b', NULL);");
    openList();
    list.moveTo(0);
    list.remove();
    list.edit();
    list.fieldByName("BZ").setAsString(QStringLiteral("备注"));
    list.post();
    EXPECT_EQ(readRows(*reader, "select rowid, BZ from FWQ"), (Rows{{2, QStringLiteral("备注")}}));
    // No column was added to the table.
    EXPECT_EQ(readRows(*reader, "PRAGMA table_info(FWQ)").size(), 5u);
}

TEST_F(DataSetTest, ExtraColumnsAreIgnoredAndAMissingOneIsNamed) {
    exec(*conn, "ALTER TABLE FWQ ADD COLUMN EXTRA TEXT; INSERT INTO FWQ VALUES ('h', 1, 'u', 'p', 'b', 'e')");
    openList();
    EXPECT_EQ(list.fieldCount(), 5);
    list.close();
    exec(*conn, "CREATE TABLE OLD AS SELECT IP, PORT, MM, BZ FROM FWQ; DROP TABLE FWQ; ALTER TABLE OLD RENAME TO FWQ;");
    EXPECT_EQ(errorMessageOf([&] { openList(); }), QStringLiteral("qMain: Field 'YHM' not found"));
}

TEST_F(DataSetTest, LongStoredTextsAreCutBetweenCharactersAndNotWrittenBack) {
    const QString longChinese = QStringLiteral("一二三四五六七八九十壹贰");     // 24 GBK bytes
    const QString straddling = QStringLiteral("abcdefghijklmnopqrs中文"); // the 20th byte splits 中
    exec(*conn, QStringLiteral("INSERT INTO FWQ VALUES ('%1', 'not a port', '%2', NULL, '%3')")
                    .arg(straddling, longChinese, QString(300, u'备')));
    openList();
    EXPECT_EQ(list.fieldByName("IP").asString(), QStringLiteral("abcdefghijklmnopqrs"));
    EXPECT_EQ(list.fieldByName("YHM").asString(), QStringLiteral("一二三四五六七八九十"));
    EXPECT_TRUE(list.fieldByName("PORT").isNull());
    EXPECT_EQ(list.fieldByName("PORT").asString(), QString());
    EXPECT_TRUE(list.fieldByName("MM").isNull());
    EXPECT_EQ(list.fieldByName("BZ").asString().size(), 300);

    // Changing the password alone leaves the stored texts as they were.
    list.edit();
    list.fieldByName("MM").setAsString("new");
    list.post();
    EXPECT_EQ(readRows(*reader, "select IP, PORT, YHM, MM from FWQ"),
              (Rows{{straddling, "not a port", longChinese, "new"}}));
}

TEST_F(DataSetTest, AppendRunsTheNewRowHandlerAndWritesNothingUntilPost) {
    openList();
    list.onNewRecord = [](db::Query &q) {
        q.fieldByName("IP").setAsString("127.0.0.1");
        q.fieldByName("PORT").setAsInteger(3389);
    };
    list.append();
    EXPECT_EQ(list.state(), db::Query::State::Insert);
    EXPECT_EQ(list.fieldByName("IP").asString(), "127.0.0.1");
    EXPECT_TRUE(list.fieldByName("MM").isNull());
    EXPECT_TRUE(readRows(*reader, "select * from FWQ").empty());
    list.cancel();
    EXPECT_EQ(list.recordCount(), 0);
    EXPECT_TRUE(readRows(*reader, "select * from FWQ").empty());

    list.append();
    list.fieldByName("MM").setAsString("pw");
    list.post();
    EXPECT_EQ(readRows(*reader, "select IP, PORT, YHM, MM, BZ from FWQ"),
              (Rows{{"127.0.0.1", 3389, QVariant(), "pw", QVariant()}}));
    EXPECT_EQ(list.recNo(), 0);
}

TEST_F(DataSetTest, FieldRulesForTextAndIntegerValues) {
    openList();
    list.append();
    db::Field &ip = list.fieldByName("IP");
    db::Field &port = list.fieldByName("PORT");
    ip.setAsString(QStringLiteral("一二三四五六七八九十壹"));
    EXPECT_EQ(ip.asString(), QStringLiteral("一二三四五六七八九十"));
    ip.setAsString("");
    EXPECT_FALSE(ip.isNull()) << "an empty text is a value";
    port.setAsString("-1");
    EXPECT_EQ(port.asInteger(), -1);
    port.setAsString("");
    EXPECT_TRUE(port.isNull());
    for (const char *bad : {"1-2", "2147483648", "+", "12a"}) {
        EXPECT_EQ(errorMessageOf([&] { port.setAsString(bad); }),
                  QStringLiteral("'%1' is not a valid integer value").arg(bad));
    }
    port.setAsString("-2147483648");
    EXPECT_EQ(port.asInteger(), -2147483647 - 1);
}

TEST_F(DataSetTest, DeleteOnAnEmptyListIsRefused) {
    openList();
    EXPECT_EQ(errorMessageOf([&] { list.remove(); }),
              QStringLiteral("Cannot perform this operation on an empty dataset"));
}

TEST_F(DataSetTest, AFailedPostKeepsThePendingRow) {
    exec(*conn, "INSERT INTO FWQ VALUES ('h', 1, 'u', 'p', NULL)");
    openList();
    list.edit();
    list.fieldByName("YHM").setAsString("typed");
    // Another process removed the row meanwhile.
    exec(*reader, "DELETE FROM FWQ");
    EXPECT_THROW(list.post(), Exception);
    EXPECT_EQ(list.state(), db::Query::State::Edit);
    EXPECT_EQ(list.fieldByName("YHM").asString(), "typed");
    list.cancel();
    EXPECT_EQ(list.fieldByName("YHM").asString(), "u");
}

TEST_F(DataSetTest, ActiveRecordScopeReadsAnotherRowAndComesBack) {
    exec(*conn, "INSERT INTO FWQ VALUES ('a', 1, 'u', 'p', NULL), ('b', 2, 'u', 'p', NULL)");
    openList();
    {
        db::Query::ActiveRecordScope scope(list, 1);
        EXPECT_EQ(list.fieldByName("IP").asString(), "b");
    }
    EXPECT_EQ(list.fieldByName("IP").asString(), "a");
}
