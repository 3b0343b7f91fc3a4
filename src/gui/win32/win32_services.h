// The dialog services on Win32: message boxes, the common file dialogs, the directory chooser, the
// wait cursor, context help, the modal analysis dialog and the progress window of long copies.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/copy_progress.h"
#include "dialogs/dialog_services.h"

namespace quarvel {

class LayoutDialog;

class Win32DialogServices : public DialogServices {
 public:
  ~Win32DialogServices() override;

  bool ShowHelp(void* window, int context) override;
  int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) override;
  std::string ApplicationTitle() override { return title_; }
  bool RunFileDialog(const FileDialogRequest& request, std::string* path) override;
  bool BrowseDirectory(std::string* path, const std::string& caption) override;
  int RunAnalysisDialog(TSabunKaisekiDlg& dialog) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  // The mode dialog's closing is seen by the main window through the model's result.
  void EndDialog(int, int) override {}

  // Brackets the handling of one user event: while it runs, long file copies show a progress window
  // (see CopyProgress), which goes when the event is done or a message shows.
  void BeginWork();
  void EndWork();
  void BeginCopyWork(std::uint64_t totalBytes, bool stoppable) override;
  void EndCopyWork() override;

  void SetApplicationTitle(const std::string& title) { title_ = title; }
  // The window that owns the file dialogs and modal dialogs (the main window).
  void SetMainWindow(HWND window) { main_ = window; }

  // Called with each modal dialog (analysis, directory chooser) once it is shown; tests drive it.
  std::function<void(LayoutDialog&)> onModalShown;
  // When the progress window appears and where its bar stands; tests shorten its delay.
  CopyProgress progress;
  // The progress bar's window while it shows, else nullptr; the last help window opened.
  HWND progressBar() const { return bar_; }
  HWND lastHelpWindow() const { return help_; }
  // The owner of a message box or dialog opened now for `window`: the innermost modal dialog of ours
  // while one shows, so that it is the window disabled meanwhile; else `window`.
  HWND OwnerFor(HWND window) const;

 private:
  // Runs `dialog` modally over OwnerFor(main window); while it runs it owns what opens next.
  void RunModal(LayoutDialog& dialog, const std::wstring& title, const std::function<void()>& init,
                const std::function<int()>& result);
  void OnCopied(std::uint64_t bytes);
  void CloseProgress();

  std::string title_;
  HWND main_ = nullptr;
  HWND help_ = nullptr;
  int waitDepth_ = 0;
  HCURSOR savedCursor_ = nullptr;
  HWND progress_ = nullptr;
  HWND bar_ = nullptr;
  std::vector<const LayoutDialog*> modals_;  // the modal dialogs running, innermost last
};

}  // namespace quarvel
