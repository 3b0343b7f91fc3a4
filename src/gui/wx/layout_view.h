// A wx panel built from a dialog's layout table that mirrors the model's DialogControls and forwards
// every control event to the model. It decides nothing on data: what it shows is the model's state.
#pragma once

#include <wx/wx.h>

#include <functional>
#include <map>
#include <vector>
#include <string>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_layout.h"

namespace quarvel {

// CP932 bytes to wx text and back, through the CP932 converter.
wxString FromCp932(const std::string& text);
std::string ToCp932(const wxString& text);

class LayoutPanel : public wxPanel {
 public:
  // Handlers by control id: buttons and list or combo selection changes. `tabs` (may be empty)
  // receives the new page of a tab control; `tabCaption` gives each page's caption.
  struct Routes {
    std::map<int, std::function<void()>> commands;
    std::function<void(int)> tabChanged;
    std::function<const char*(int)> tabCaption;
    int tabCount = 0;
    std::map<int, std::function<void(int)>> doubleClicks;     // list boxes: the line double-clicked
    std::map<int, std::function<void(bool)>> dropDowns;       // combo boxes: list opened or closed
  };

  LayoutPanel(wxWindow* parent, const DialogLayout& layout, DialogControls& controls, Routes routes);

  // Copies the model's state into every control.
  void Mirror();
  // The control of that layout id, or nullptr.
  wxWindow* Control(int id) const;
  // Runs the route of `id` as a user event would: user input is copied into the model first, then the
  // handler runs, then the controls mirror the model again.
  void Forward(int id);
  void ForwardTab(int page);
  void ForwardDoubleClick(int id, int line);
  void ForwardDropDown(int id, bool shown);
  // Called around every forwarded event (the owner brackets work, and checks afterwards whether the
  // model has closed).
  std::function<void()> beforeEvent;
  std::function<void()> doneEvent;   // right after the model's handler
  std::function<void()> afterEvent;

 private:
  void Build();
  wxSize FittedClientSize() const;
  void Collect();

  const DialogLayout& layout_;
  DialogControls& controls_;
  Routes routes_;
  std::map<int, wxWindow*> windows_;
  std::vector<wxWindow*> sunken_;  // statics whose frame the panel draws: GTK gives labels none
  bool mirroring_ = false;
};

}  // namespace quarvel
