// One view per dialog: the layout panel of its table with the routes of its model's notifications.
#pragma once

#include <wx/wx.h>

#include "dialogs/directry.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/load_dlg.h"
#include "dialogs/make_dlg.h"
#include "gui/wx/layout_view.h"

namespace quarvel {

// The panels; `dlg` outlives the panel. The caller runs the model's OnInitDialog, then Mirror().
LayoutPanel* MakeDlgView(wxWindow* parent, TSabunMakeDlg& dlg);
LayoutPanel* LoadDlgView(wxWindow* parent, TSabunLoadDlg& dlg);
LayoutPanel* KaisekiDlgView(wxWindow* parent, TSabunKaisekiDlg& dlg);
LayoutPanel* DirectryView(wxWindow* parent, TDirectry& dlg);

// A modal wx dialog around a panel whose model reports its outcome through `result`: it ends as soon
// as `result()` is not 0 after an event; the close box runs `cancel`.
class ModalLayoutDialog : public wxDialog {
 public:
  ModalLayoutDialog(wxWindow* parent, const wxString& title);
  // Takes the panel built over this dialog, sizes the dialog to it.
  void Attach(LayoutPanel* panel, std::function<int()> result, std::function<void()> cancel);
  LayoutPanel* panel() const { return panel_; }

 private:
  LayoutPanel* panel_ = nullptr;
};

}  // namespace quarvel
