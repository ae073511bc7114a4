#pragma once
// Lets GoogleTest print Qt values readably in failure messages; included in
// every test translation unit by the test registration.

#include <QString>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QVariant &v, std::ostream *os) {
    if (v.isNull())
        *os << "NULL";
    else
        *os << v.typeName() << '(' << v.toString().toStdString() << ')';
}
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << "bytes(" << b.toHex(' ').toStdString() << ')'; }
