#pragma once
// Opening a Remote Desktop connection to one server row: write the
// connection file, start the client on it, wait a second, delete the file.
// The main window gathers the inputs and calls launchConnection; nothing
// here touches a widget.

#include <QSize>
#include <QString>
#include <functional>

namespace kestrune::launch {

struct ConnectionRequest {
    QString ip;       // the row's IP text, verbatim
    QString port;     // the row's PORT as text: decimal digits, empty when null
    QString userName; // YHM
    QString password; // MM, in plain
    int resolutionIndex = 0;  // rgFBL.ItemIndex; 0 or less is the whole screen
    QString resolutionText;   // the text of the rgFBL item at that index
    QSize screenSize;         // the primary display in pixels
    int startModeIndex = 0;   // rgLoginOption.ItemIndex
    bool reconnect = true;    // chkReconnect.Checked
    QString rdpFile;          // where the connection file goes (RdpFile)
};

// What the launch does to the world beyond the file, replaceable in tests.
struct LaunchHooks {
    std::function<bool(const QString &commandLine)> startClient; // default: platform::startCommandLine
    std::function<void(int milliseconds)> sleep;                 // default: blocks this thread
};

// Refuses, with kestrune::Exception and a message for the user, a row that
// would break the command line or the file: an address holding blanks,
// quotes or control characters, a port that is not digits, a user name
// holding a line break or a character GBK cannot store.
void checkConnectionRequest(const ConnectionRequest &request);

// The desktop size the request asks for: the screen for item 0 (or none),
// else the item's "<width>*<height>". Throws on an item that is not.
QSize desktopSize(const ConnectionRequest &request);

// The whole launch. Throws kestrune::Exception (nothing written, nothing
// started) on a refused row, a resolution item that is not two integers or
// a file that cannot be created. A client that does not start is not
// reported; the wait and the deletion happen all the same.
void launchConnection(const ConnectionRequest &request, const LaunchHooks &hooks = {});

} // namespace kestrune::launch
