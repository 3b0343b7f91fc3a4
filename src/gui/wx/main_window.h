// The main window view: a fixed frame around the mode dialog (creation or import) that follows the
// dialog's size and ends the program when the dialog closes.
#pragma once

#include <wx/wx.h>

#include <memory>

#include "app/entry.h"
#include "app/main_frame.h"
#include "dialogs/load_dlg.h"
#include "dialogs/make_dlg.h"
#include "gui/wx/layout_view.h"
#include "gui/wx/wx_services.h"

namespace quarvel {

class MainWindow : public wxFrame {
 public:
  // Builds the frame and the dialog of `plan`; `services` outlives the window.
  MainWindow(const EntryPlan& plan, WxDialogServices& services);

  LayoutPanel* panel() const { return panel_; }
  TSabunMakeDlg* makeDlg() const { return make_.get(); }
  TSabunLoadDlg* loadDlg() const { return load_.get(); }
  const TSDIDecFrame& rules() const { return rules_; }

 private:
  int DialogResult() const;
  void OnCloseWindow(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void AfterEvent();

  WxDialogServices& services_;
  TSDIDecFrame rules_;
  std::unique_ptr<TSabunMakeDlg> make_;
  std::unique_ptr<TSabunLoadDlg> load_;
  LayoutPanel* panel_ = nullptr;
  bool destroying_ = false;
};

}  // namespace quarvel
