#pragma once
// Kestrune's message boxes: OK only (ShowMsg) or Yes/No answering 6 or 7
// (AskYesNo), no icon, owned by the active window or by none. Every box the
// program's own code shows, and the default error handler's, goes through
// here; tests replace the box with an answerer of their own.

#include <QString>
#include <functional>

class QWidget;

namespace kestrune {

constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

enum class MessageKind { Ok, YesNo, Error };

struct MessageRequest {
    MessageKind kind;
    QString text;
    QString caption;
    QWidget *owner; // the active window, or nullptr
};

using MessageAnswerer = std::function<int(const MessageRequest &)>;

// Replaces the real boxes (an empty function restores them); returns the
// previous answerer.
MessageAnswerer setMessageAnswerer(MessageAnswerer answerer);

void ShowMsg(const QString &text, const QString &caption);
int AskYesNo(const QString &text, const QString &caption);
// The default error handler's box: the error's text under the program's title.
void ShowError(const QString &text);

} // namespace kestrune
