// The dialog services on wxWidgets: message boxes, file dialogs, the directory chooser, the wait
// cursor, context help and the modal analysis dialog.
#pragma once

#include <wx/progdlg.h>
#include <wx/wx.h>

#include <functional>

#include "app/help_text.h"
#include "dialogs/copy_progress.h"
#include "dialogs/dialog_services.h"

namespace quarvel {

// A file dialog's filter, "label|pattern|…|" (CP932), in wx's form: no closing bar, and each pattern
// also in upper case ("*.kmd;*.KMD"), since GTK matches names with regard to case.
wxString WxFileFilter(const std::string& filter);

class WxDialogServices : public DialogServices {
 public:
  bool ShowHelp(void* window, int context) override;
  int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) override;
  std::string ApplicationTitle() override;
  bool RunFileDialog(const FileDialogRequest& request, std::string* path) override;
  bool BrowseDirectory(std::string* path, const std::string& caption) override;
  int RunAnalysisDialog(TSabunKaisekiDlg& dialog) override;
  void BeginWaitCursor() override { wxBeginBusyCursor(); }
  void EndWaitCursor() override { wxEndBusyCursor(); }

  // Brackets the handling of one user event: while it runs, long file copies show a progress dialog
  // (see CopyProgress), which goes when the event is done or a message shows.
  void BeginWork();
  void EndWork();
  void BeginCopyWork(std::uint64_t totalBytes, bool stoppable) override;
  void EndCopyWork() override;
  // The mode dialog's closing is seen by the frame through the model's result; nothing to do here.
  void EndDialog(int, int) override {}

  // Called with each modal dialog (analysis, directory chooser) once it is shown; tests drive it.
  std::function<void(wxDialog&)> onModalShown;
  // For tests: called once a help window shown modally (over a modal dialog) is up.
  std::function<void(wxDialog&)> onHelpShown;
  // When the progress dialog appears and where its bar stands; tests shorten its delay.
  CopyProgress progress;

 private:
  void OnCopied(std::uint64_t bytes);
  void CloseProgress();
  wxProgressDialog* progress_ = nullptr;
  bool stoppable_ = false;  // the copy work under way may be stopped
};

// The wx window behind an owner handle the models pass around.
inline wxWindow* OwnerWindow(void* window) { return static_cast<wxWindow*>(window); }

}  // namespace quarvel
