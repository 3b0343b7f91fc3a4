// Placing a window on the screen.
#pragma once

namespace quarvel {

struct WindowRect {
  int x = 0, y = 0, width = 0, height = 0;  // pixels
};

// The window moved to the middle of a screen of `screenWidth` x `screenHeight` pixels, size kept:
// x = max(SW - W, 1) / 2, y = max(SH - H, 1) / 2, so a window larger than the screen lands at 0.
WindowRect CenterOnScreen(const WindowRect& window, int screenWidth, int screenHeight);

}  // namespace quarvel
