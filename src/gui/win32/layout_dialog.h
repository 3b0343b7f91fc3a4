// A Win32 dialog built from a dialog's layout table that mirrors the model's DialogControls and
// forwards every control notification to the model. It decides nothing on data: what it shows is the
// model's state.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/view_routes.h"

namespace quarvel {

class LayoutDialog {
 public:
  // `layout`, `controls` and what the routes refer to outlive the dialog.
  LayoutDialog(const DialogLayout& layout, DialogControls& controls, ViewRoutes routes);
  ~LayoutDialog();
  LayoutDialog(const LayoutDialog&) = delete;
  LayoutDialog& operator=(const LayoutDialog&) = delete;

  // Runs the dialog modally over `owner`, with `title` as its caption (UTF-16). `init` runs once the
  // controls exist (the model's set-up), then the controls mirror the model; the dialog ends as soon
  // as `result()` is not 0 after an event. Returns that result, or 0 when the dialog could not be made.
  int RunModal(HWND owner, const std::wstring& title, const std::function<void()>& init,
               const std::function<int()>& result);
  // Creates the dialog as a child of `parent` without caption or frame, at its top-left corner.
  // Returns the dialog's window, or nullptr.
  HWND CreateChild(HWND parent, const std::function<void()>& init);

  HWND window() const { return window_; }
  // The control of that layout id, or nullptr.
  HWND Control(int id) const;
  // The dialog's client size in pixels: the layout's size, grown to hold every control.
  SIZE ClientSize() const;

  // Copies the model's state into every control.
  void Mirror();
  // Forward a user event as the controls' notifications do: user input is copied into the model
  // first, then the handler runs, then the controls mirror the model again.
  void Forward(int id);
  void ForwardTab(int page);
  void ForwardDoubleClick(int id, int line);
  void ForwardDropDown(int id, bool shown);
  // An event is being handled: a modal box or dialog of its handler runs. Events that reach the
  // dialog meanwhile are dropped, so the model never sees one inside another.
  bool Busy() const { return busy_; }

  // Called around every forwarded event: the owner brackets work, and checks afterwards whether the
  // model has closed.
  std::function<void()> beforeEvent;
  std::function<void()> doneEvent;  // right after the model's handler
  std::function<void()> afterEvent;
  // Called once the dialog is shown and its message loop runs (tests and screenshots drive it).
  std::function<void(LayoutDialog&)> onShown;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  std::vector<WORD> Template(DWORD style, const std::wstring& title) const;
  void Build();
  void Collect();
  // Cuts an edit's text back to its limit in bytes (DialogControls::LimitBytes) after a change.
  void KeepByteLimit(int id);
  void Run(const std::function<void()>& handler);
  const ControlLayout* LayoutOf(int id) const;

  const DialogLayout& layout_;
  DialogControls& controls_;
  ViewRoutes routes_;
  std::function<void()> init_;
  std::function<int()> result_;
  bool modal_ = false;
  HWND window_ = nullptr;
  std::map<int, HWND> windows_;
  HWND tabs_ = nullptr;  // the tab control, if the layout has one
  std::map<int, std::wstring> fitted_;  // each edit's last text within its byte limit
  bool mirroring_ = false;
  bool busy_ = false;
};

// Registers the common control classes that the dialogs use (tabs, progress bars); once per process,
// before the first dialog.
void InitDialogControlClasses();

// The message that a dialog posts to itself once shown, to run `onShown`.
constexpr UINT kShownMessage = WM_APP + 1;

}  // namespace quarvel
