#pragma once
// Desktop sizes written as "<width>*<height>", read the way the class
// library converts text to a 32-bit integer.

#include <QString>

namespace kestrune::launch {

// Width from the text before the first "*", height from the text after it,
// each converted by platform::StrToInt.
// An item without "*" fails on the empty text before it.
void parseResolution(const QString &itemText, int &width, int &height);

} // namespace kestrune::launch
