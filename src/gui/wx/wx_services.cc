#include "gui/wx/wx_services.h"

#include <wx/dcscreen.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/settings.h>

#include <algorithm>
#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include "dialogs/directory_tree.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "dialogs/directry.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "gui/wx/dialog_views.h"
#include "gui/wx/layout_view.h"

namespace quarvel {

namespace {

// " は既に存在します。\n上書きしますか？"
const char kOverwriteQuestion[] =
    " \x82\xCD\x8A\xF9\x82\xC9\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB7\x81\x42\n\x8F\xE3\x8F\x91\x82\xAB\x82\xB5\x82\xDC"
    "\x82\xB7\x82\xA9\x81\x48";

#ifdef __WXGTK__
// Asks GTK for at least `width` pixels of the window, through the toolkit that wx already loaded (the
// native message box has no wx call for it).
void WidenToolkitWindow(void* widget, int width) {
  using SetSizeRequest = void (*)(void*, int, int);
  static const auto request = reinterpret_cast<SetSizeRequest>(dlsym(RTLD_DEFAULT, "gtk_widget_set_size_request"));
  if (widget != nullptr && request != nullptr) request(widget, width, -1);
}
#endif

}  // namespace

bool WxDialogServices::ShowHelp(void* window, int context) {
  const char* text = HelpText(context);
  if (!text) return false;
  wxWindow* owner = OwnerWindow(window);
  // Over a modal dialog (the analysis) a window of its own would take no input until that dialog
  // closed: there the help is modal itself, above it, and closes first.
  auto* ownerDialog = owner != nullptr ? dynamic_cast<wxDialog*>(wxGetTopLevelParent(owner)) : nullptr;
  const bool overModal = ownerDialog != nullptr && ownerDialog->IsModal();
  const wxString title = wxString::FromUTF8("ヘルプ");
  wxTopLevelWindow* help = nullptr;
  if (overModal) {
    help = new wxDialog(owner, wxID_ANY, title, wxDefaultPosition, wxSize(600, 360),
                        wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
  } else {
    help = new wxFrame(owner, wxID_ANY, title, wxDefaultPosition, wxSize(600, 360),
                       wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT);
  }
  new wxTextCtrl(help, wxID_ANY, wxString::FromUTF8(text), wxDefaultPosition, wxDefaultSize,
                 wxTE_MULTILINE | wxTE_READONLY);
  // Escape closes help, as it closes a help window on Windows.
  help->Bind(wxEVT_CHAR_HOOK, [help](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE) {
      help->Close();
    } else {
      event.Skip();
    }
  });
  help->CentreOnScreen();
  if (overModal) {
    auto* dialog = static_cast<wxDialog*>(help);
    if (onHelpShown) dialog->CallAfter([this, dialog] { onHelpShown(*dialog); });
    dialog->ShowModal();
    dialog->Destroy();
  } else {
    help->Show();
  }
  return true;
}

int WxDialogServices::ShowMessage(void* window, const std::string& text, const std::string& caption,
                                  unsigned style) {
  CloseProgress();
  long wxStyle = (style & kMbOkCancel) ? (wxOK | wxCANCEL) : wxOK;
  if (style & kMbIconError) wxStyle |= wxICON_ERROR;
  const std::string& shown = caption.empty() ? ApplicationTitle() : caption;
  wxMessageDialog box(OwnerWindow(window), FromCp932(text), FromCp932(shown), wxStyle | wxCENTRE);
  // The buttons as a Japanese system labels them, whatever the toolkit's own catalogue holds.
  box.SetOKCancelLabels(wxString::FromUTF8("OK"), wxString::FromUTF8("キャンセル"));
#ifdef __WXGTK__
  // A window manager cuts a title that is wider than its window ("Vel…作成"): the box is made wide
  // enough for its title, the title bar's buttons and frame.
  wxScreenDC dc;
  dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT).Bold());
  const int titleWidth = dc.GetTextExtent(FromCp932(shown)).GetWidth() + 140;
  box.CallAfter([&box, titleWidth] { WidenToolkitWindow(box.GetHandle(), titleWidth); });
#endif
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

void WxDialogServices::BeginCopyWork(std::uint64_t totalBytes, bool stoppable) {
  progress.BeginCopyWork(totalBytes);
  stoppable_ = stoppable;
}

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
    // A キャンセル only where stopping is safe (the diff write); an import runs to its end.
    const int style = wxPD_APP_MODAL | wxPD_ELAPSED_TIME | (stoppable_ ? wxPD_CAN_ABORT : 0);
    progress_ = new wxProgressDialog(FromCp932(ApplicationTitle()), wxString::FromUTF8("処理中です..."),
                                     CopyProgress::kRange, wxTheApp->GetTopWindow(), style);
  }
  const bool goOn = progress.Pulsing() ? progress_->Pulse() : progress_->Update(position);
  if (!goOn && stoppable_) RequestCopyStop(true);
}

std::string WxDialogServices::ApplicationTitle() {
  return wxTheApp ? ToCp932(wxTheApp->GetAppDisplayName()) : std::string();
}

wxString WxFileFilter(const std::string& filter) {
  wxArrayString parts = wxSplit(FromCp932(filter), '|', '\0');
  if (!parts.empty() && parts.back().empty()) parts.pop_back();
  for (std::size_t i = 1; i < parts.size(); i += 2) {
    const wxString upper = parts[i].Upper();
    const wxString lower = parts[i].Lower();
    if (upper != lower) parts[i] = lower + ";" + upper;
  }
  return wxJoin(parts, '|', '\0');
}

bool WxDialogServices::RunFileDialog(const FileDialogRequest& request, std::string* path) {
  long style = request.save ? wxFD_SAVE : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (request.save && request.promptOverwrite) style |= wxFD_OVERWRITE_PROMPT;
  if (!request.keepCurrentDir) style |= wxFD_CHANGE_DIR;
  wxFileName initial(FromCp932(request.initialName));
  wxFileDialog dialog(wxTheApp->GetTopWindow(), FromCp932(request.title), initial.GetPath(), initial.GetFullName(),
                      WxFileFilter(request.filter), style);
  dialog.CentreOnScreen();
  for (;;) {
    if (dialog.ShowModal() != wxID_OK) return false;
    wxFileName chosen(dialog.GetPath());
    // A file chosen to be opened is taken as it is named, with or without an extension.
    if (chosen.HasExt() || request.defaultExtension.empty() || (!request.save && chosen.FileExists())) {
      *path = ToCp932(chosen.GetFullPath());
      return true;
    }
    // The extension comes after the dialog's own question: a file of the name it makes is asked about
    // here, and on Cancel the dialog opens again.
    chosen.SetExt(FromCp932(request.defaultExtension));
    *path = ToCp932(chosen.GetFullPath());
    if (!request.save || !request.promptOverwrite || !chosen.Exists()) return true;
    if (ShowMessage(nullptr, ToCp932(chosen.GetFullName()) + kOverwriteQuestion, "", kMbOkCancel) == kIdOk) return true;
    dialog.SetPath(chosen.GetFullPath());
  }
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
