#include "db/SqlParameters.h"

#include <gtest/gtest.h>

using kestrune::db::parameterNames;

TEST(SqlParameters, FoundByNameOutsideQuotesAndComments) {
    struct Case {
        const char *sql;
        QStringList names;
    };
    const Case cases[] = {
        {"UPDATE CZYMM SET MM=:MM WHERE ID=:ID", {"MM", "ID"}},
        {"INSERT INTO CZYMM (ID,MM) VALUES (:ID,:MM)", {"ID", "MM"}},
        {"select * from t where a=':no' and b=:yes", {"yes"}},
        {"select \":no\" from t -- :nor\n where c=:c /* :nor */", {"c"}},
        {"select 1 where a=:x or b=:X", {"x"}},
        {"select count(*) from FWQ where IP='a''b:c' and PORT=3389", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parameterNames(QString::fromUtf8(c.sql)), c.names) << c.sql;
}
