// A wx panel built from a dialog's layout table that mirrors the model's DialogControls and forwards
// every control event to the model. It decides nothing on data: what it shows is the model's state.
#pragma once

#include <wx/wx.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/view_routes.h"

namespace quarvel {

// CP932 bytes to wx text and back, through the CP932 converter.
wxString FromCp932(const std::string& text);
std::string ToCp932(const wxString& text);

class LayoutPanel : public wxPanel {
 public:
  // Handlers by control id, the same for every toolkit.
  using Routes = ViewRoutes;

  LayoutPanel(wxWindow* parent, const DialogLayout& layout, DialogControls& controls, Routes routes);

  // Copies the model's state into every control.
  void Mirror();
  // The control of that layout id, or nullptr.
  wxWindow* Control(int id) const;
  // The id of the layout's default button (styled so, else id 1 as on Windows), or -1.
  int DefaultButton() const;
  // As a Windows dialog takes Enter: unless a button (which takes Enter itself) or a field has the
  // focus, the default button is pressed when it shows and is enabled. True when Enter was taken so
  // (the key goes no further: a list does not also open its line). A field takes the key itself, so
  // that an input method's Enter (ending a conversion) stays the input method's; a field's own Enter
  // presses the default button (PressDefault) after the input method is done with it.
  bool PressDefaultOnEnter();
  void PressDefault();
  // True while a text field has the focus: Escape is then left to it (and to its input method).
  bool FieldHasFocus() const;
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
  // The dialog units from the left of `c` to the nearest control beside it on its right, or -1.
  int RoomToTheRight(const ControlLayout& c) const;
  wxSize FittedClientSize() const;
  void Collect();

  const DialogLayout& layout_;
  DialogControls& controls_;
  Routes routes_;
  std::map<int, wxWindow*> windows_;
  std::vector<wxWindow*> sunken_;  // statics whose frame the panel draws: GTK gives labels none
  std::map<int, wxString> fitted_;  // each edit's last text within its byte limit
  bool mirroring_ = false;
};

}  // namespace quarvel
