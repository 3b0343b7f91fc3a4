#include "gui/wx/main_window.h"

#include <wx/display.h>
#include <wx/iconbndl.h>
#include <wx/mstream.h>

#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"
#include "gui/wx/dialog_views.h"
#include "gui/wx/icon_files.h"

namespace quarvel {

namespace {

// The program's pictures of every size, for the title bar and the task switcher.
wxIconBundle ProgramIcons() {
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  wxIconBundle bundle;
  for (const IconFile& file : IconFiles()) {
    if (file.path.find("/apps/") == std::string::npos) continue;
    wxMemoryInputStream in(file.bytes.data(), file.bytes.size());
    const wxImage image(in, wxBITMAP_TYPE_PNG);
    if (!image.IsOk()) continue;
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    bundle.AddIcon(icon);
  }
  return bundle;
}

}  // namespace

MainWindow::MainWindow(const EntryPlan& plan, WxDialogServices& services)
    : wxFrame(nullptr, wxID_ANY, FromCp932(plan.title), wxDefaultPosition, wxDefaultSize,
              (wxDEFAULT_FRAME_STYLE & ~(wxMAXIMIZE_BOX | wxRESIZE_BORDER))),
      services_(services) {
  SetIcons(ProgramIcons());
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
  Bind(wxEVT_CLOSE_WINDOW, &MainWindow::OnCloseWindow, this);
  Bind(wxEVT_CHAR_HOOK, &MainWindow::OnCharHook, this);

  // The frame shrinks to the dialog, then grows by 30 pixels and moves to the screen's middle.
  SetClientSize(panel_->GetSize());
  const wxRect r = GetRect();
  const wxRect screen = wxDisplay(0u).GetGeometry();
  const WindowRect placed = SetUpFrame({r.x, r.y, r.width, r.height}, screen.width, screen.height);
  SetSize(placed.x, placed.y, placed.width, placed.height);
  SetMinSize(GetSize());
  SetMaxSize(GetSize());
  // A window manager places a new window by its own rules and may ignore the position it was given:
  // once the window is up it is moved to its place again, which window managers honour.
  Bind(wxEVT_SHOW, [this, placed](wxShowEvent& event) {
    event.Skip();
    if (event.IsShown()) CallAfter([this, placed] { Move(placed.x, placed.y); });
  });
}

// As a Windows dialog takes its keys: Escape is 取消 (id 2), Enter the default button.
void MainWindow::OnCharHook(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_ESCAPE && !panel_->FieldHasFocus()) {
    wxWindow* cancel = panel_->Control(2);
    if (cancel != nullptr && cancel->IsShown() && cancel->IsEnabled()) panel_->Forward(2);
    return;
  }
  if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && panel_->PressDefaultOnEnter()) return;
  event.Skip();
}

int MainWindow::DialogResult() const { return make_ ? make_->Result() : load_->Result(); }

// The close box, Alt+F4 and the window manager's close. While the dialog is open they are its cancel,
// forwarded as its own cancel button forwards it; the dialog's closing then closes the frame (a nested
// close, which ends here). Should the dialog stay open, the frame stays too, unless it must go.
void MainWindow::OnCloseWindow(wxCloseEvent& event) {
  if (DialogResult() == 0) {
    panel_->Forward(make_ ? make_dlg::kCancel : load_dlg::kCancel);
    if (DialogResult() == 0 && event.CanVeto()) {
      event.Veto();
      return;
    }
  }
  if (destroying_) return;
  destroying_ = true;
  rules_.OnClose();
  Destroy();
}

// The dialog has closed with some outcome: the frame goes, and with it the program.
void MainWindow::AfterEvent() {
  if (DialogResult() == 0) return;
  rules_.OnClientClosed();
  if (rules_.CloseRequested()) Close(true);
}

}  // namespace quarvel
