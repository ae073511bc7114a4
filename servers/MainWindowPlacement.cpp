#include "servers/MainWindowPlacement.h"

namespace kestrune {

MainWindowPlacement placeMainWindow(int screenWidth, int screenHeight, int outerWidth) {
    // C++ integer division truncates toward zero, as the placement wants.
    return {(screenWidth - outerWidth) / 2, 10, screenHeight - 60};
}

} // namespace kestrune
