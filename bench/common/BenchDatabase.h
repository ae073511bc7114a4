#pragma once
// Databases for the benchmarks: a fresh data.mdb holding many servers.

#include <QString>
#include <functional>

namespace kestrune::bench {

struct BenchServer {
    QString ip;
    int port;
    QString user;
    QString password;
    QString remarks;
};

// Creates `dir`/data.mdb with `rows` servers, row i being `server(i)`.
void makeServerDatabase(const QString &dir, int rows, const std::function<BenchServer(int)> &server);

} // namespace kestrune::bench
