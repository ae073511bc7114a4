#pragma once
// Text to a 32-bit integer the way the original class library converts it:
// optional leading blanks, an optional sign, decimal digits (within the
// signed range) or hexadecimal after "$", "0x" or "x" (any 32 bits); nothing
// after the digits. Anything else is refused with "'<text>' is not a valid
// integer value".

#include <QString>
#include <optional>

namespace kestrune::platform {

// The integer `text` spells, or nothing.
std::optional<int> parseInt32(const QString &text);

// As parseInt32, but throws kestrune::Exception with the class library's text.
int StrToInt(const QString &text);

// "'<text>' is not a valid integer value"
QString invalidIntegerMessage(const QString &text);

} // namespace kestrune::platform
