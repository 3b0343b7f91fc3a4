// What a dialog model needs from the platform. The GUI implements it for each dialog window; tests
// fake it. Help and message boxes come from UiServices.
#pragma once

#include <cstdint>
#include <string>

#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "shell/ui_services.h"

namespace quarvel {

class TSabunKaisekiDlg;

// Options of the platform's file-open and file-save dialogs.
struct FileDialogRequest {
  bool save = false;              // false: the open dialog
  std::string title;              // the dialog's caption, CP932
  std::string filter;             // "label|pattern|label|pattern|", CP932
  std::string defaultExtension;   // without the dot
  std::string initialName;        // the file name offered first
  bool promptOverwrite = false;   // ask before an existing file is overwritten
  bool hideReadOnly = false;      // no read-only check box
  bool keepCurrentDir = false;    // the process's current directory is left as it was
};

class DialogServices : public UiServices {
 public:
  // The application's title: the caption of a message box that gives none.
  virtual std::string ApplicationTitle() = 0;
  // Runs the file dialog; on OK stores the chosen path and returns true. Cancel returns false and
  // leaves `path` alone.
  virtual bool RunFileDialog(const FileDialogRequest& request, std::string* path) = 0;
  // The directory-browse operation: `path` holds the start directory; on acceptance it receives the
  // chosen one, ending with a separator, and true is returned.
  virtual bool BrowseDirectory(std::string* path, const std::string& caption) = 0;
  // Runs the analysis dialog modally over `dialog`; returns the outcome it closed with (kIdOk or
  // kIdCancel).
  virtual int RunAnalysisDialog(TSabunKaisekiDlg& dialog) = 0;
  // Shows the wait cursor until the matching EndWaitCursor, which restores the previous one.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // The dialog of resource `resource` has closed with `outcome` (kIdOk or kIdCancel).
  virtual void EndDialog(int resource, int outcome) = 0;
  // The work until EndCopyWork copies about `totalBytes` (0: not known): the progress that a long copy
  // shows has that total, and where the work is `stoppable` (a stop leaves nothing behind) a way to
  // stop it (RequestCopyStop). Nothing by default.
  virtual void BeginCopyWork(std::uint64_t totalBytes, bool stoppable) {
    static_cast<void>(totalBytes);
    static_cast<void>(stoppable);
  }
  virtual void EndCopyWork() {}
};

// A message box owned by `window`; an empty caption shows the application's title.
int DialogMessage(DialogServices& services, void* window, const std::string& text, const std::string& caption,
                  unsigned style);

// Announces the bytes that the work within the guard's lifetime copies.
class CopyWork {
 public:
  CopyWork(DialogServices& services, std::uint64_t totalBytes, bool stoppable = false) : services_(services) {
    RequestCopyStop(false);
    services_.BeginCopyWork(totalBytes, stoppable);
  }
  ~CopyWork() {
    services_.EndCopyWork();
    RequestCopyStop(false);
  }
  CopyWork(const CopyWork&) = delete;
  CopyWork& operator=(const CopyWork&) = delete;

 private:
  DialogServices& services_;
};

// The wait cursor for the lifetime of the guard.
class WaitCursor {
 public:
  explicit WaitCursor(DialogServices& services) : services_(services) { services_.BeginWaitCursor(); }
  ~WaitCursor() { services_.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  DialogServices& services_;
};

}  // namespace quarvel
