#include "gui/wx/main_window.h"

#include <wx/display.h>

#include "gui/wx/dialog_views.h"

namespace quarvel {

MainWindow::MainWindow(const EntryPlan& plan, WxDialogServices& services)
    : wxFrame(nullptr, wxID_ANY, FromCp932(plan.title), wxDefaultPosition, wxDefaultSize,
              (wxDEFAULT_FRAME_STYLE & ~(wxMAXIMIZE_BOX | wxRESIZE_BORDER))),
      services_(services) {
  if (plan.dialog == ModeDialog::kImport) {
    load_ = std::make_unique<TSabunLoadDlg>(services, plan.diffPath, this);
    panel_ = LoadDlgView(this, *load_);
    load_->OnInitDialog();
  } else {
    make_ = std::make_unique<TSabunMakeDlg>(services, this);
    panel_ = MakeDlgView(this, *make_);
    make_->OnInitDialog();
  }
  panel_->Mirror();
  panel_->beforeEvent = [this] { services_.BeginWork(); };
  panel_->doneEvent = [this] { services_.EndWork(); };
  panel_->afterEvent = [this] { AfterEvent(); };
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
    rules_.OnClose();
    Destroy();
  });

  // The frame shrinks to the dialog, then grows by 30 pixels and moves to the screen's middle.
  SetClientSize(panel_->GetSize());
  const wxRect r = GetRect();
  const wxRect screen = wxDisplay(0u).GetGeometry();
  const WindowRect placed = SetUpFrame({r.x, r.y, r.width, r.height}, screen.width, screen.height);
  SetSize(placed.x, placed.y, placed.width, placed.height);
  SetMinSize(GetSize());
  SetMaxSize(GetSize());
}

// The dialog has closed with some outcome: the frame goes, and with it the program.
void MainWindow::AfterEvent() {
  const int result = make_ ? make_->Result() : load_->Result();
  if (result == 0) return;
  rules_.OnClientClosed();
  if (rules_.CloseRequested()) Close(true);
}

}  // namespace quarvel
