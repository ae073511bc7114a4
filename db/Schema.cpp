#include "db/Schema.h"

#include "db/Connection.h"
#include "db/Statement.h"
#include "platform/Exception.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace kestrune::db {

namespace {

// IP compares without letter case, as host names do: a change of case alone
// is the same server.
const char *const SchemaSql = R"SQL(
CREATE TABLE FWQ (
  IP   TEXT COLLATE NOCASE,
  PORT INTEGER,
  YHM  TEXT,
  MM   TEXT,
  BZ   TEXT
);
CREATE TABLE CZY (
  ID INTEGER PRIMARY KEY,
  GH TEXT,
  MC TEXT
);
CREATE TABLE CZYMM (
  ID INTEGER PRIMARY KEY,
  MM TEXT
);
CREATE TABLE ZDXM (
  LXID INTEGER,
  XMID INTEGER,
  XMMC TEXT
);
INSERT INTO CZY (ID, GH, MC) VALUES (1, '0001', '管理员');
)SQL";

} // namespace

const QList<SampleServer> &sampleServers() {
    static const QList<SampleServer> samples{
        {QStringLiteral("127.0.0.1"), 3389, QStringLiteral("Administrator"), QStringLiteral("Kestrune1"),
         QStringLiteral("本机远程桌面\r\n用于测试连接。")},
        {QStringLiteral("localhost"), 3390, QStringLiteral("运维"), QStringLiteral("Kestrune2"),
         QStringLiteral("按主机名登记的服务器。")},
        {QStringLiteral("127.0.0.2"), 13389, QStringLiteral("backup"), QStringLiteral("Kestrune3"),
         QStringLiteral("备份服务器（非默认端口）。")},
    };
    return samples;
}

void createDatabase(const QString &path, const QByteArray &key, bool withSamples) {
    // Claim the name first, exclusively: an existing file is never opened,
    // let alone changed. SQLite takes an empty file as a new database.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            throw Exception(QStringLiteral("文件“%1”已经存在，不会覆盖它。").arg(path));
        throw Exception(QStringLiteral("无法创建文件“%1”：%2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    }
    ::close(fd);
    try {
        Connection conn;
        conn.open(path, key);
        conn.execute(QStringLiteral("BEGIN;") + QString::fromUtf8(SchemaSql) + QStringLiteral("COMMIT;"));
        if (withSamples) {
            std::lock_guard guard(conn.lock());
            for (const SampleServer &s : sampleServers()) {
                Statement st(conn.handle(), QStringLiteral("INSERT INTO FWQ (IP, PORT, YHM, MM, BZ) VALUES (?,?,?,?,?)"));
                st.bind(1, s.ip);
                st.bind(2, s.port);
                st.bind(3, s.user);
                st.bind(4, s.password);
                st.bind(5, s.remarks);
                st.step();
            }
        }
    } catch (...) {
        QFile::remove(path); // only the file this call made
        throw;
    }
}

} // namespace kestrune::db
