#pragma once
// Process-wide date formatting: every conversion of a date to text in
// Kestrune follows these, and the entry sequence sets them once.

#include <QDate>
#include <QString>

namespace kestrune {

struct FormatSettings {
    QChar dateSeparator = u'/';
    QString shortDateFormat = QStringLiteral("m/d/yyyy");
    QString longDateFormat = QStringLiteral("m/d/yyyy");
};

FormatSettings &formatSettings();

// Formats `date` with a pattern of the original class library's kind
// ("yyyy-mm-dd": y year, m month, d day; "/" stands for the date separator).
QString formatDate(const QString &pattern, const QDate &date);

// The date in the short date format.
QString DateToStr(const QDate &date);

} // namespace kestrune
