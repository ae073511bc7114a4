#pragma once
// Desktop sizes written as "<width>*<height>", read the way the class
// library converts text to a 32-bit integer.

#include <QString>

namespace kestrune::launch {

// The class library's StrToInt: optional leading blanks, an optional sign,
// decimal digits or hexadecimal after "$", "0x" or "x"; nothing after the
// digits. Throws kestrune::Exception("'<text>' is not a valid integer value").
int strToInt(const QString &text);

// Width from the text before the first "*", height from the text after it.
// An item without "*" fails on the empty text before it.
void parseResolution(const QString &itemText, int &width, int &height);

} // namespace kestrune::launch
