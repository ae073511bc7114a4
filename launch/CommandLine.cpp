#include "launch/CommandLine.h"

namespace kestrune::launch {

QString startModeSwitch(int startModeIndex) {
    return startModeIndex == 0 ? QStringLiteral("/console") : QStringLiteral("/admin");
}

QString commandLineFilePath(const QString &path) {
    const bool needsQuotes = path.contains(u' ') || path.contains(u'\t') || path.contains(u'"');
    if (!needsQuotes)
        return path;
    // Backslashes count only before a quote: double those, and escape the quote.
    QString quoted = QStringLiteral("\"");
    int backslashes = 0;
    for (const QChar c : path) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"')
            quoted += QString(backslashes * 2 + 1, u'\\');
        else
            quoted += QString(backslashes, u'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted += QString(backslashes * 2, u'\\');
    quoted += u'"';
    return quoted;
}

QString clientCommandLine(const QString &rdpFile, const QString &startSwitch, const QString &ip,
                          const QString &port) {
    return QStringLiteral("mstsc.exe ") + commandLineFilePath(rdpFile) + QStringLiteral(" ") +
           startSwitch + QStringLiteral(" /v:") + ip + QStringLiteral(":") + port;
}

} // namespace kestrune::launch
