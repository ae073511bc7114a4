#pragma once
// The Remote Desktop client's command line:
//   mstsc.exe <file> /console|/admin /v:<address>:<port>
// with one blank between the pieces and nowhere else.

#include <QString>

namespace kestrune::launch {

// "/console" for item 0 of the start mode ("虚拟桌面"), "/admin" otherwise.
QString startModeSwitch(int startModeIndex);

// The file path as one argument: as it is, or quoted (Windows rules) when it
// holds a blank or a quote and would otherwise fall apart into several.
QString commandLineFilePath(const QString &path);

QString clientCommandLine(const QString &rdpFile, const QString &startSwitch, const QString &ip,
                          const QString &port);

} // namespace kestrune::launch
