// The main window's rules: its placement at set-up and its end when the mode dialog closes.
#pragma once

#include "dialogs/placement.h"

namespace quarvel {

// The frame after set-up: 30 pixels taller (left, top and width kept), then centred on the screen.
WindowRect SetUpFrame(const WindowRect& frame, int screenWidth, int screenHeight);

// The frame around the mode dialog. It has no maximise box and no sizing border, and follows the
// dialog's size; when the dialog closes, with any outcome, the frame closes and the program ends.
class TSDIDecFrame {
 public:
  static constexpr bool kMaximiseBox = false;
  static constexpr bool kSizingBorder = false;
  static constexpr int kIconResource = 1;

  // The client dialog's window was destroyed: the frame asks itself to close.
  void OnClientClosed() { closeRequested_ = true; }
  // The frame closes by its close box; a dialog still open has been cancelled first, as by its own
  // cancel button.
  void OnClose() { closeRequested_ = true; }
  // True once the frame is to close; the message loop then ends.
  bool CloseRequested() const { return closeRequested_; }

 private:
  bool closeRequested_ = false;
};

}  // namespace quarvel
