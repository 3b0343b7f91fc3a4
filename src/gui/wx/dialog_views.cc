#include "gui/wx/dialog_views.h"

#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"

namespace quarvel {

LayoutPanel* MakeDlgView(wxWindow* parent, TSabunMakeDlg& dlg) {
  using namespace make_dlg;
  LayoutPanel::Routes r;
  r.commands = {
      {kMenus, [&dlg] { dlg.OnMenuSelChange(); }},        {kLibraries, [&dlg] { dlg.OnLibrarySelChange(); }},
      {kCommons, [&dlg] { dlg.OnCommonSelChange(); }},    {kCommands, [&dlg] { dlg.OnCommandSelChange(); }},
      {kSearch, [&dlg] { dlg.OnSearch(); }},              {kAnalyse, [&dlg] { dlg.OnAnalyse(); }},
      {kAdd, [&dlg] { dlg.OnAdd(); }},                    {kRemove, [&dlg] { dlg.OnRemove(); }},
      {kReadDiff, [&dlg] { dlg.OnReadDiff(); }},          {kBrowse, [&dlg] { dlg.OnBrowse(); }},
      {kWrite, [&dlg] { dlg.OnWrite(); }},                {kCancel, [&dlg] { dlg.OnCancel(); }},
      {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  r.tabChanged = [&dlg](int tab) { dlg.OnTabChanged(tab); };
  r.tabCaption = [](int tab) { return MakeDlgTabCaption(tab); };
  r.tabCount = kTabCount;
  return new LayoutPanel(parent, MakeDlgLayout(), dlg.controls(), std::move(r));
}

LayoutPanel* LoadDlgView(wxWindow* parent, TSabunLoadDlg& dlg) {
  using namespace load_dlg;
  LayoutPanel::Routes r;
  r.commands = {
      {kLeaveOut, [&dlg] { dlg.OnLeaveOut(); }}, {kTakeBack, [&dlg] { dlg.OnTakeBack(); }},
      {kBrowse, [&dlg] { dlg.OnBrowse(); }},     {kImport, [&dlg] { dlg.OnImport(); }},
      {kCancel, [&dlg] { dlg.OnCancel(); }},     {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  return new LayoutPanel(parent, LoadDlgLayout(), dlg.controls(), std::move(r));
}

LayoutPanel* KaisekiDlgView(wxWindow* parent, TSabunKaisekiDlg& dlg) {
  using namespace kaiseki_dlg;
  LayoutPanel::Routes r;
  r.commands = {
      {kBrowse, [&dlg] { dlg.OnBrowse(); }}, {kRun, [&dlg] { dlg.OnRun(); }},
      {kCancel, [&dlg] { dlg.OnCancel(); }}, {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  return new LayoutPanel(parent, KaisekiDlgLayout(), dlg.controls(), std::move(r));
}

LayoutPanel* DirectryView(wxWindow* parent, TDirectry& dlg) {
  using namespace directry;
  LayoutPanel::Routes r;
  r.commands = {
      {kDrives, [&dlg] { dlg.OnDriveChanged(); }}, {kAccept, [&dlg] { dlg.OnAccept(); }},
      {kCancel, [&dlg] { dlg.OnCancel(); }},       {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  r.doubleClicks[kDirectories] = [&dlg](int line) { dlg.OnOpen(line); };
  r.dropDowns[kDrives] = [&dlg](bool shown) { dlg.OnDriveListShown(shown); };
  return new LayoutPanel(parent, DirectryLayout(), dlg.controls(), std::move(r));
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
  // Escape cancels as the close box does: the buttons' ids are the resource's, not wx's own.
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE) {
      Close();
    } else {
      event.Skip();
    }
  });
  CentreOnParent();
}

}  // namespace quarvel
