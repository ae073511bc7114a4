#pragma once
// Fresh databases for tests, and a second connection of the test's own to
// read back what Kestrune wrote.

#include "db/Connection.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace kestrune::test {

using Rows = std::vector<std::vector<QVariant>>;

// Creates `dir`/data.mdb with the full schema (and the sample servers when
// asked); returns its path.
QString makeDatabase(const QString &dir, bool withSamples = false);

// A connection of the test's own on an existing file, with Kestrune's key.
std::unique_ptr<db::Connection> openDatabase(const QString &path);

// All rows of a query, column by column (NULL as a null QVariant).
Rows readRows(db::Connection &conn, const QString &sql);

// Runs statements on a raw connection.
void exec(db::Connection &conn, const QString &sql);

} // namespace kestrune::test
