#include "launch/Resolution.h"

#include "platform/StrToInt.h"

namespace kestrune::launch {

void parseResolution(const QString &itemText, int &width, int &height) {
    const qsizetype star = itemText.indexOf(u'*');
    // Without a "*" the text before it is empty, and converting it fails.
    width = platform::StrToInt(star < 0 ? QString() : itemText.left(star));
    height = platform::StrToInt(itemText.mid(star + 1));
}

} // namespace kestrune::launch
