#include "platform/ProcessStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#ifdef _WIN32
#include "platform/GbkCodec.h"

#include <windows.h>
#endif

namespace kestrune::platform {
namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// The program name at the head: no escapes, a quote only at the very start.
qsizetype takeProgramName(const QString &line, QString &name) {
    qsizetype i = 0;
    const qsizetype n = line.size();
    if (n > 0 && line[0] == u'"') {
        const qsizetype close = line.indexOf(u'"', 1);
        const qsizetype end = close < 0 ? n : close;
        name = line.mid(1, end - 1);
        i = close < 0 ? n : close + 1;
    } else {
        while (i < n && !isBlank(line[i]))
            ++i;
        name = line.left(i);
    }
    while (i < n && isBlank(line[i]))
        ++i;
    return i;
}

} // namespace

QStringList splitCommandLine(const QString &commandLine) {
    if (commandLine.isEmpty())
        return {};
    QString program;
    qsizetype i = takeProgramName(commandLine, program);
    QStringList arguments{program};

    const qsizetype n = commandLine.size();
    QString current;
    bool inArgument = false;
    int quotes = 0;      // 1 while inside a quoted part
    int backslashes = 0; // backslashes just before the current character
    for (; i < n; ++i) {
        const QChar c = commandLine[i];
        if (isBlank(c) && quotes == 0) {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
            backslashes = 0;
            continue;
        }
        inArgument = true;
        if (c == u'\\') {
            current += c;
            ++backslashes;
            continue;
        }
        if (c != u'"') {
            current += c;
            backslashes = 0;
            continue;
        }
        if (backslashes % 2 == 0) {
            // 2n backslashes and a quote: n backslashes, the quote groups.
            current.chop(backslashes / 2);
            ++quotes;
        } else {
            // 2n+1 backslashes and a quote: n backslashes and a literal quote.
            current.chop(backslashes / 2 + 1);
            current += u'"';
        }
        backslashes = 0;
        // Runs of quotes: every third one is a literal quote.
        while (i + 1 < n && commandLine[i + 1] == u'"') {
            ++i;
            if (++quotes == 3) {
                current += u'"';
                quotes = 0;
            }
        }
        if (quotes == 2)
            quotes = 0;
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

QString resolveProgram(const QString &name, const QString &programFolder) {
#ifdef _WIN32
    // Windows has the client itself.
    Q_UNUSED(programFolder);
    return name;
#else
    if (name.compare(QLatin1String("mstsc.exe"), Qt::CaseInsensitive) == 0)
        return QDir(programFolder).filePath(QLatin1String(kRemoteDesktopAdapter));
    return name;
#endif
}

bool startCommandLine(const QString &commandLine, const QString &programFolder, qint64 *pid) {
#ifdef _WIN32
    // The system's own start, on the line as it is (show state SW_SHOW).
    Q_UNUSED(programFolder);
    if (pid)
        *pid = 0;
    const auto line = toGbk(commandLine);
    return line && WinExec(line->constData(), SW_SHOW) > 31;
#else
    const QStringList arguments = splitCommandLine(commandLine);
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return false;
    const QString folder =
        programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    const QString program = resolveProgram(arguments.first(), folder);
    return QProcess::startDetached(program, arguments.mid(1), QString(), pid);
#endif
}

} // namespace kestrune::platform
