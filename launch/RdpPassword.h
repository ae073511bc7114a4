#pragma once
// The password as the connection file carries it: its UTF-16LE code units
// (no terminator), protected for the current user with the description
// "psw", written as upper-case hexadecimal, two digits a byte.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestrune::launch {

// The protected, hexadecimal form of `password`; empty when protection fails.
QString EncryptRdpPassword(const QString &password);

// The reverse, for the Remote Desktop client adapter: the password, or
// nothing (with a message in `error`) when the text is not hexadecimal, the
// blob does not open for this user or was not made for a password.
std::optional<QString> openRdpPassword(const QString &hex, QString *error = nullptr);

// Two upper-case hexadecimal digits per byte, high digit first.
QString upperHex(const QByteArray &bytes);

} // namespace kestrune::launch
