// The main window view: a fixed frame around the mode dialog (creation or import) that takes the
// dialog's size and ends the program when the dialog closes.
#pragma once

#include <windows.h>

#include <memory>

#include "app/entry.h"
#include "app/main_frame.h"
#include "dialogs/load_dlg.h"
#include "dialogs/make_dlg.h"
#include "gui/win32/layout_dialog.h"
#include "gui/win32/win32_services.h"

namespace quarvel {

class MainWindow {
 public:
  // `services` outlives the window.
  MainWindow(const EntryPlan& plan, Win32DialogServices& services);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the frame and its dialog, placed and shown with `showState` (a ShowWindow command).
  // Returns false when a window could not be made.
  bool Create(int showState);

  HWND window() const { return frame_; }
  LayoutDialog* dialog() const { return dialog_.get(); }
  TSabunMakeDlg* makeDlg() const { return make_.get(); }
  TSabunLoadDlg* loadDlg() const { return load_.get(); }
  const TSDIDecFrame& rules() const { return rules_; }

  // The window procedure of the frame's class.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  int DialogResult() const;
  void AfterEvent();

  EntryPlan plan_;
  Win32DialogServices& services_;
  TSDIDecFrame rules_;
  HWND frame_ = nullptr;
  std::unique_ptr<TSabunMakeDlg> make_;
  std::unique_ptr<TSabunLoadDlg> load_;
  std::unique_ptr<LayoutDialog> dialog_;
};

// Runs the message loop of the main window until it has gone; returns the loop's exit code.
int RunMessageLoop(const MainWindow& window);

}  // namespace quarvel
