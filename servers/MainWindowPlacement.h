#pragma once
// Where the main window goes when it is shown: the screen's height less 60
// as its outer height, 10 pixels from the top, centred across (the halving
// rounds toward zero, so a window wider than the screen gets a negative
// left edge, -5 / 2 giving -2).

namespace kestrune {

struct MainWindowPlacement {
    int left;
    int top;
    int outerHeight;
};

MainWindowPlacement placeMainWindow(int screenWidth, int screenHeight, int outerWidth);

} // namespace kestrune
