#pragma once
// kestrune-mstsc: stands in for the Windows Remote Desktop client on Linux.
// It takes the command line Kestrune gives "mstsc.exe" (the connection file,
// "/console" or "/admin", "/v:<host>:<port>"), reads the file, opens the
// protected password with the current user's key and runs FreeRDP's
// xfreerdp with the same settings. The password goes to xfreerdp on its
// standard input only.

#include "tools/mstsc/ConnectionFile.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace kestrune::mstsc {

struct AdapterArguments {
    QString file;
    QString server; // what followed "/v:"
    bool admin = false;
};

// Parses the adapter's own arguments (switches in any letter case, as the
// Windows client takes them). Throws kestrune::Exception.
AdapterArguments parseArguments(const QStringList &arguments);

// The xfreerdp arguments for one connection. `passwordOnStdin` adds
// "/from-stdin:force", which reads the password before connecting.
QStringList freeRdpArguments(const ConnectionSettings &settings, const AdapterArguments &arguments,
                             bool passwordOnStdin);

// Exit codes of the adapter besides xfreerdp's own.
enum AdapterExit { kBadInput = 2, kNoClient = 3, kClientCrashed = 4 };

// Runs one connection and returns the exit code; `showError` tells the user
// what went wrong (the program shows a dialog).
int runAdapter(const QStringList &arguments, const std::function<void(const QString &)> &showError);

// The dialog the program shows: a small message box titled "远程桌面连接".
void showErrorDialog(const QString &text);

} // namespace kestrune::mstsc
