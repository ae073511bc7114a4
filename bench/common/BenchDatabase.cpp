#include "bench/common/BenchDatabase.h"

#include "db/Connection.h"
#include "db/Schema.h"
#include "db/Statement.h"

#include <QDir>

namespace kestrune::bench {

void makeServerDatabase(const QString &dir, int rows, const std::function<BenchServer(int)> &server) {
    const QString path = QDir(dir).filePath(db::DatabaseFileName);
    db::createDatabase(path, db::DatabaseKey, false);
    db::Connection conn;
    conn.open(path, db::DatabaseKey);
    std::lock_guard guard(conn.lock());
    conn.execute(QStringLiteral("BEGIN"));
    for (int i = 0; i < rows; ++i) {
        const BenchServer s = server(i);
        db::Statement st(conn.handle(), QStringLiteral("INSERT INTO FWQ (IP, PORT, YHM, MM, BZ) VALUES (?,?,?,?,?)"));
        st.bind(1, s.ip);
        st.bind(2, s.port);
        st.bind(3, s.user);
        st.bind(4, s.password);
        st.bind(5, s.remarks.isEmpty() ? QVariant() : QVariant(s.remarks));
        st.step();
    }
    conn.execute(QStringLiteral("COMMIT"));
}

} // namespace kestrune::bench
