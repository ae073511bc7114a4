#pragma once
// Named parameters (":name") of an SQL text, found the way the engine finds
// them: outside quoted strings, identifiers and comments.

#include <QStringList>

namespace kestrune::db {

// The parameter names in order of first appearance, without the colon.
QStringList parameterNames(const QString &sql);

} // namespace kestrune::db
