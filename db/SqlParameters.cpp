#include "db/SqlParameters.h"

namespace kestrune::db {

namespace {

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

// Index just past a quoted run that starts at `i` with `quote`.
qsizetype skipQuoted(const QString &sql, qsizetype i, QChar close) {
    for (++i; i < sql.size(); ++i) {
        if (sql[i] == close) {
            if (i + 1 < sql.size() && sql[i + 1] == close && close != u']')
                ++i; // doubled quote inside the run
            else
                return i + 1;
        }
    }
    return i;
}

} // namespace

QStringList parameterNames(const QString &sql) {
    QStringList names;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'`') {
            i = skipQuoted(sql, i, c);
        } else if (c == u'[') {
            i = skipQuoted(sql, i, u']');
        } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
            while (i < sql.size() && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? sql.size() : end + 2;
        } else if (c == u':' && i + 1 < sql.size() && isNameChar(sql[i + 1])) {
            qsizetype end = i + 1;
            while (end < sql.size() && isNameChar(sql[end]))
                ++end;
            const QString name = sql.mid(i + 1, end - i - 1);
            if (!names.contains(name, Qt::CaseInsensitive))
                names << name;
            i = end;
        } else {
            ++i;
        }
    }
    return names;
}

} // namespace kestrune::db
