// The dialog services on Win32: message boxes, the common file dialogs, the directory chooser, the
// wait cursor, context help, the modal analysis dialog and the progress window of long copies.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

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

  // Brackets the handling of one user event: while it runs, file copies that go on longer than
  // `progressDelayMs` show a progress window, which goes when the event is done or a message shows.
  // Its bar fills towards the total of the copy work announced, and cycles when none was.
  void BeginWork();
  void EndWork();
  void BeginCopyWork(std::uint64_t totalBytes) override;
  void EndCopyWork() override;

  void SetApplicationTitle(const std::string& title) { title_ = title; }
  // The window that owns the file dialogs and modal dialogs (the main window).
  void SetMainWindow(HWND window) { main_ = window; }

  // Called with each modal dialog (analysis, directory chooser) once it is shown; tests drive it.
  std::function<void(LayoutDialog&)> onModalShown;
  long progressDelayMs = 700;
  // The progress bar's window while it shows, else nullptr; the last help window opened.
  HWND progressBar() const { return bar_; }
  HWND lastHelpWindow() const { return help_; }

 private:
  void OnCopied(std::uint64_t bytes);
  void CloseProgress();

  std::string title_;
  HWND main_ = nullptr;
  HWND help_ = nullptr;
  int waitDepth_ = 0;
  HCURSOR savedCursor_ = nullptr;
  int workDepth_ = 0;
  std::uint64_t copyTotal_ = 0;  // bytes announced, 0 when not known
  std::uint64_t copied_ = 0;     // bytes copied since the announcement
  std::chrono::steady_clock::time_point workStart_;
  HWND progress_ = nullptr;
  HWND bar_ = nullptr;
  int pulse_ = 0;
};

// The number of steps of the progress bar.
constexpr int kProgressRange = 1000;

}  // namespace quarvel
