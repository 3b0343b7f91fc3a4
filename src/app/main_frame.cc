#include "app/main_frame.h"

namespace quarvel {

WindowRect SetUpFrame(const WindowRect& frame, int screenWidth, int screenHeight) {
  WindowRect taller = frame;
  taller.height += 30;
  return CenterOnScreen(taller, screenWidth, screenHeight);
}

}  // namespace quarvel
