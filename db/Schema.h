#pragma once
// The database Kestrune works on: a keyed SQLCipher file "data.mdb" in the
// current directory, and the tables every part of the program reads.

#include <QByteArray>
#include <QString>

namespace kestrune::db {

inline const QString DatabaseFileName = QStringLiteral("data.mdb");
inline const QByteArray DatabaseKey = QByteArrayLiteral("mirado");

struct SampleServer {
    QString ip;
    int port;
    QString user;
    QString password;
    QString remarks;
};

// A few loopback servers, so that a new database shows a list at once.
const QList<SampleServer> &sampleServers();

// Creates a new database file at `path` with the whole schema and operator
// 1, and no start-up password. Refuses (throws kestrune::Exception) when the
// file exists; never touches an existing file.
void createDatabase(const QString &path, const QByteArray &key, bool withSamples);

} // namespace kestrune::db
