#include "gui/wx/wx_services.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>

#include <algorithm>

#include "dialogs/directory_tree.h"
#include "fileio/fileio.h"
#include "dialogs/directry.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "gui/wx/dialog_views.h"
#include "gui/wx/layout_view.h"

namespace quarvel {

bool WxDialogServices::ShowHelp(void* window, int context) {
  const char* text = HelpText(context);
  if (!text) return false;
  auto* frame = new wxFrame(OwnerWindow(window), wxID_ANY, wxString::FromUTF8("ヘルプ"), wxDefaultPosition,
                            wxSize(600, 360), wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT);
  new wxTextCtrl(frame, wxID_ANY, wxString::FromUTF8(text), wxDefaultPosition, wxDefaultSize,
                 wxTE_MULTILINE | wxTE_READONLY);
  frame->CentreOnParent();
  frame->Show();
  return true;
}

int WxDialogServices::ShowMessage(void* window, const std::string& text, const std::string& caption,
                                  unsigned style) {
  CloseProgress();
  long wxStyle = (style & kMbOkCancel) ? (wxOK | wxCANCEL) : wxOK;
  if (style & kMbIconError) wxStyle |= wxICON_ERROR;
  const std::string& shown = caption.empty() ? ApplicationTitle() : caption;
  wxMessageDialog box(OwnerWindow(window), FromCp932(text), FromCp932(shown), wxStyle);
  return box.ShowModal() == wxID_OK ? kIdOk : kIdCancel;
}

void WxDialogServices::BeginWork() {
  if (progress.BeginWork()) SetCopyProgress([this](std::uint64_t bytes) { OnCopied(bytes); });
}

void WxDialogServices::EndWork() {
  if (!progress.EndWork()) return;
  SetCopyProgress(nullptr);
  CloseProgress();
}

void WxDialogServices::BeginCopyWork(std::uint64_t totalBytes) { progress.BeginCopyWork(totalBytes); }

void WxDialogServices::EndCopyWork() { progress.EndCopyWork(); }

void WxDialogServices::CloseProgress() {
  if (!progress_) return;
  progress_->Destroy();
  progress_ = nullptr;
}

// A chunk was copied: a long diff write or import shows how far it has come, or that it is alive when
// its total is not known. The dialog only reports; the work goes on unchanged.
void WxDialogServices::OnCopied(std::uint64_t bytes) {
  const int position = progress.OnCopied(bytes);
  if (position < 0) return;
  if (!progress_) {
    progress_ = new wxProgressDialog(FromCp932(ApplicationTitle()), wxString::FromUTF8("処理中です..."),
                                     CopyProgress::kRange, wxTheApp->GetTopWindow(), wxPD_APP_MODAL | wxPD_ELAPSED_TIME);
  }
  if (progress.Pulsing()) {
    progress_->Pulse();
  } else {
    progress_->Update(position);
  }
}

std::string WxDialogServices::ApplicationTitle() {
  return wxTheApp ? ToCp932(wxTheApp->GetAppDisplayName()) : std::string();
}

// "label|pattern|label|pattern|" in wx's form, which has no closing bar.
static wxString WxFilter(const std::string& filter) {
  wxString f = FromCp932(filter);
  if (f.EndsWith("|")) f.RemoveLast();
  return f;
}

bool WxDialogServices::RunFileDialog(const FileDialogRequest& request, std::string* path) {
  long style = request.save ? wxFD_SAVE : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (request.save && request.promptOverwrite) style |= wxFD_OVERWRITE_PROMPT;
  if (!request.keepCurrentDir) style |= wxFD_CHANGE_DIR;
  wxFileName initial(FromCp932(request.initialName));
  wxFileDialog dialog(wxTheApp->GetTopWindow(), wxEmptyString, initial.GetPath(), initial.GetFullName(),
                      WxFilter(request.filter), style);
  if (dialog.ShowModal() != wxID_OK) return false;
  wxFileName chosen(dialog.GetPath());
  if (!chosen.HasExt() && !request.defaultExtension.empty()) chosen.SetExt(FromCp932(request.defaultExtension));
  *path = ToCp932(chosen.GetFullPath());
  return true;
}

bool WxDialogServices::BrowseDirectory(std::string* path, const std::string& caption) {
  auto run = [this](TDirectry& chooser) {
    ModalLayoutDialog dialog(wxTheApp->GetTopWindow(), FromCp932(chooser.Caption()));
    LayoutPanel* panel = DirectryView(&dialog, chooser);
    dialog.Attach(panel, [&chooser] { return chooser.Result(); }, [&chooser] { chooser.OnCancel(); });
    panel->Mirror();
    if (onModalShown) dialog.CallAfter([this, &dialog] { onModalShown(dialog); });
    dialog.ShowModal();
  };
  return BrowseForDirectory(*this, HostDirectoryTree(), run, path, caption);
}

int WxDialogServices::RunAnalysisDialog(TSabunKaisekiDlg& analysis) {
  ModalLayoutDialog dialog(wxTheApp->GetTopWindow(), FromCp932(KaisekiDlgLayout().title));
  LayoutPanel* panel = KaisekiDlgView(&dialog, analysis);
  dialog.Attach(panel, [&analysis] { return analysis.Result(); }, [&analysis] { analysis.OnCancel(); });
  analysis.OnInitDialog();
  panel->Mirror();
  if (onModalShown) dialog.CallAfter([this, &dialog] { onModalShown(dialog); });
  dialog.ShowModal();
  return analysis.Result() == kIdOk ? kIdOk : kIdCancel;
}

}  // namespace quarvel
