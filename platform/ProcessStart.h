#pragma once
// Starting a program from one command line, as WinExec does on Windows: the
// line is split into arguments by the rules Windows programs apply to their
// own command line, the program named at its head is started on its own
// (detached, no shell in between), and nothing is reported when it cannot be.
//
// On Linux the Remote Desktop client "mstsc.exe" is our adapter over FreeRDP,
// installed beside the kestrune program.

#include <QString>
#include <QStringList>

namespace kestrune::platform {

// The adapter's file name, looked up in the program's own folder.
inline constexpr char kRemoteDesktopAdapter[] = "kestrune-mstsc";

// Splits `commandLine` as CommandLineToArgvW does: blanks and tabs separate
// arguments, double quotes group, backslashes are literal unless they stand
// before a quote. The program name at the head ends at the first blank, or
// at the closing quote when it starts with one.
QStringList splitCommandLine(const QString &commandLine);

// The file to run for a program name: on Linux "mstsc.exe" (any letter case) is
// the adapter in `programFolder`; any other name is kept as it is and found
// the usual way.
QString resolveProgram(const QString &name, const QString &programFolder);

// Splits, resolves and starts detached. `programFolder` empty means the
// folder of the running program. Returns whether the program started (the
// launch itself does not look at it); `pid` receives its process id.
bool startCommandLine(const QString &commandLine, const QString &programFolder = QString(),
                      qint64 *pid = nullptr);

} // namespace kestrune::platform
