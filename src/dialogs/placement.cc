#include "dialogs/placement.h"

#include <algorithm>

namespace quarvel {

WindowRect CenterOnScreen(const WindowRect& window, int screenWidth, int screenHeight) {
  WindowRect placed = window;
  placed.x = std::max(screenWidth - window.width, 1) / 2;
  placed.y = std::max(screenHeight - window.height, 1) / 2;
  return placed;
}

}  // namespace quarvel
