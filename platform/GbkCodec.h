#pragma once
// Kestrune keeps and counts its texts in the ANSI code page of a Chinese
// Windows (code page 936, GBK): a Chinese character takes two bytes, ASCII one.
// Field widths, edit limits and the connection file all go by these bytes.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestrune::platform {

// The GBK bytes of `text`, or nothing when a character has no GBK form.
std::optional<QByteArray> toGbk(const QString &text);

// Decodes GBK bytes; a byte sequence GBK does not define becomes U+FFFD.
QString fromGbk(const QByteArray &bytes);

// True when every character of `text` has a GBK form.
bool isGbkEncodable(const QString &text);

// Bytes `text` takes in GBK. A character without a GBK form counts one byte,
// the '?' Windows would write for it.
int gbkLength(const QString &text);

// The longest head of `text` that fits in `maxBytes` GBK bytes, cut between
// characters, never inside one (a surrogate pair stays whole).
QString truncateToGbkBytes(const QString &text, int maxBytes);

} // namespace kestrune::platform
