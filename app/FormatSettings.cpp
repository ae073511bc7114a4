#include "app/FormatSettings.h"

namespace kestrune {

FormatSettings &formatSettings() {
    static FormatSettings settings;
    return settings;
}

QString formatDate(const QString &pattern, const QDate &date) {
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c)
            ++run;
        if (c == u'y') {
            out += run <= 2 ? QString::number(date.year() % 100).rightJustified(2, u'0') : QString::number(date.year());
        } else if (c == u'm') {
            out += run == 1 ? QString::number(date.month()) : QString::number(date.month()).rightJustified(2, u'0');
        } else if (c == u'd') {
            out += run == 1 ? QString::number(date.day()) : QString::number(date.day()).rightJustified(2, u'0');
        } else if (c == u'/') {
            out += QString(run, formatSettings().dateSeparator);
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString DateToStr(const QDate &date) { return formatDate(formatSettings().shortDateFormat, date); }

} // namespace kestrune
