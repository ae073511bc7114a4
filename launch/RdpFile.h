#pragma once
// The connection file handed to the Remote Desktop client: 21 lines of
// "name:type:value", CR LF after each, in the ANSI code page (GBK), no
// byte-order mark. Only the size, the user name, the protected password and
// the reconnect flag vary; the display and redirection settings are fixed.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kestrune::launch {

struct RdpFileSettings {
    int width = 0;
    int height = 0;
    QString userName;  // the row's YHM, verbatim
    QString password;  // the row's MM in plain; only its protected form is written
    bool reconnect = true;
};

// Lines 1 and 2: windowed display, 16 bits per pixel.
QStringList rdpFileHead();

// Lines 3 to 21, with the password line carrying `protectedPassword` as given.
QStringList rdpFileBody(const RdpFileSettings &settings, const QString &protectedPassword);

// All 21 lines, the password protected by EncryptRdpPassword.
QStringList rdpFileLines(const RdpFileSettings &settings);

// The bytes on disk. Throws kestrune::Exception when a line holds a
// character GBK cannot store (Windows would write '?' in its place).
QByteArray rdpFileBytes(const QStringList &lines);

// Creates or truncates `path` and writes the bytes in one write. Throws
// kestrune::Exception("Cannot create file <path>") when the file cannot be
// created, "Stream write error" when the write falls short.
void saveRdpFile(const QStringList &lines, const QString &path);

} // namespace kestrune::launch
