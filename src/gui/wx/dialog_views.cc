#include "gui/wx/dialog_views.h"

#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"

namespace quarvel {

LayoutPanel* MakeDlgView(wxWindow* parent, TSabunMakeDlg& dlg) {
  return new LayoutPanel(parent, MakeDlgLayout(), dlg.controls(), MakeDlgRoutes(dlg));
}

LayoutPanel* LoadDlgView(wxWindow* parent, TSabunLoadDlg& dlg) {
  return new LayoutPanel(parent, LoadDlgLayout(), dlg.controls(), LoadDlgRoutes(dlg));
}

LayoutPanel* KaisekiDlgView(wxWindow* parent, TSabunKaisekiDlg& dlg) {
  return new LayoutPanel(parent, KaisekiDlgLayout(), dlg.controls(), KaisekiDlgRoutes(dlg));
}

LayoutPanel* DirectryView(wxWindow* parent, TDirectry& dlg) {
  return new LayoutPanel(parent, DirectryLayout(), dlg.controls(), DirectryRoutes(dlg));
}

ModalLayoutDialog::ModalLayoutDialog(wxWindow* parent, const wxString& title)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {}

void ModalLayoutDialog::Attach(LayoutPanel* panel, std::function<int()> result, std::function<void()> cancel) {
  panel_ = panel;
  SetClientSize(panel->GetSize());
  panel->afterEvent = [this, result] {
    if (result() != 0 && IsModal()) EndModal(result());
  };
  Bind(wxEVT_CLOSE_WINDOW, [this, result, cancel](wxCloseEvent&) {
    cancel();
    if (IsModal()) EndModal(result() != 0 ? result() : wxID_CANCEL);
  });
  // Escape cancels as the close box does, and Enter is the default button, as in a Windows dialog:
  // the buttons' ids are the resource's, not wx's own. In the directory chooser, Enter on another
  // directory's line thus opens it (the model's rule), and the list does not also act on the key.
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    if (key == WXK_ESCAPE && (panel_ == nullptr || !panel_->FieldHasFocus())) {
      Close();
    } else if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && panel_ != nullptr && panel_->PressDefaultOnEnter()) {
      return;
    } else {
      event.Skip();
    }
  });
  // Centred on the screen, as the main window is.
  CentreOnScreen();
}

}  // namespace quarvel
