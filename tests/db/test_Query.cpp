// The general query: statements, named parameters, counts of affected rows.
#include "db/Query.h"
#include "platform/Exception.h"
#include "tests/support/Database.h"
#include "tests/support/Errors.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace kestrune;
using namespace kestrune::test;

class QueryTest : public testing::Test {
protected:
    TempDir dir;
    QString path = makeDatabase(dir.path());
    std::unique_ptr<db::Connection> conn = openDatabase(path);
    db::Query q{conn.get(), "Q"};
};

TEST_F(QueryTest, ParametersAreFoundByNameWhateverTheirOrder) {
    q.setSql("INSERT INTO CZYMM (ID,MM) VALUES (:ID,:MM)");
    // Given in the other order than they stand in the text.
    q.paramByName("MM").setAsString(QStringLiteral("口令 ' ;--"));
    q.paramByName("ID").setAsInteger(7);
    q.execSql();
    EXPECT_EQ(q.rowsAffected(), 1);
    const Rows rows = readRows(*conn, "select ID, MM from CZYMM");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toInt(), 7);
    EXPECT_EQ(rows[0][1].toString(), QStringLiteral("口令 ' ;--"));
    EXPECT_THROW(q.paramByName("XX"), Exception);
}

TEST_F(QueryTest, UpdateCountsAMatchedRowEvenWhenNothingChanged) {
    exec(*conn, "INSERT INTO CZYMM (ID, MM) VALUES (1, 'same')");
    q.setSql("UPDATE CZYMM SET MM=:MM WHERE ID=:ID");
    q.paramByName("ID").setAsInteger(1);
    q.paramByName("MM").setAsString("same");
    q.execSql();
    EXPECT_EQ(q.rowsAffected(), 1);
    q.paramByName("ID").setAsInteger(2);
    q.execSql();
    EXPECT_EQ(q.rowsAffected(), 0);
    EXPECT_FALSE(q.active());
}

TEST_F(QueryTest, EmptyResultIsOpenWithEmptyTextAndASecondOpenReplacesTheFirst) {
    q.setSql("select MM FROM CZYMM WHERE ID=1");
    q.open();
    EXPECT_TRUE(q.active());
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_EQ(q.field(0).asString(), QString());
    EXPECT_TRUE(q.field(0).isNull());

    q.close();
    q.setSql("select ID,GH,MC from CZY where ID=1");
    q.open();
    EXPECT_EQ(q.fieldCount(), 3);
    EXPECT_EQ(q.fieldByName("ID").asInteger(), 1);
    EXPECT_THROW(q.fieldByName("MM"), Exception);
}

TEST_F(QueryTest, CountComesBackAsAnInteger) {
    exec(*conn, "INSERT INTO FWQ (IP, PORT) VALUES ('a', 1), ('A', 1), ('b', 2)");
    q.setSql("select count(*) from FWQ where IP='a' and PORT=1");
    q.open();
    // The new database's IP compares without letter case.
    EXPECT_EQ(q.field(0).asInteger(), 2);
}

TEST_F(QueryTest, EngineErrorsPassToTheCallerWithTheEnginesText) {
    q.setSql("select LXID from NOSUCH");
    EXPECT_EQ(errorMessageOf([&] { q.open(); }), QStringLiteral("no such table: NOSUCH"));
    EXPECT_FALSE(q.active());
}
