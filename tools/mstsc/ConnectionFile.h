#pragma once
// Reading the connection file Kestrune writes for "mstsc.exe": lines of
// "name:type:value" in GBK, CR LF after each. The adapter takes what it needs
// for xfreerdp from here.

#include <QByteArray>
#include <QString>

namespace kestrune::mstsc {

struct ConnectionSettings {
    bool fullScreen = false;   // screen mode id 2; 1 is a window
    int width = 0;
    int height = 0;
    int colourDepth = 16;      // session bpp
    QString userName;
    QString passwordHex;       // "password 51", still protected; empty when none
    bool compression = true;
    int keyboardHook = 2;      // 2: key combinations go remote only in full screen
    int audioMode = 2;         // 0 play here, 1 leave on the server, 2 no sound
    bool reconnect = true;     // autoreconnection enabled
    bool wallpaper = false;    // the "disable ..." lines, turned the right way up
    bool fullWindowDrag = false;
    bool menuAnimations = false;
    bool themes = false;
    bool bitmapCache = true;   // bitmapcachepersistenable
};

// Parses the bytes of a connection file. Throws kestrune::Exception with a
// message for the user when a line is malformed or a needed setting is
// missing or out of range. Unknown settings are ignored, as the Windows
// client does.
ConnectionSettings parseConnectionFile(const QByteArray &bytes);

// Reads and parses `path`; throws kestrune::Exception when it cannot be read.
ConnectionSettings readConnectionFile(const QString &path);

} // namespace kestrune::mstsc
