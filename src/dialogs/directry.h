// The directory chooser and the browse operation around it. The list shows the path from the root down
// to the current directory, then the current directory's subdirectories; "実  行" opens a selected
// entry other than the current directory and accepts the current one.
#pragma once

#include <functional>
#include <string>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_services.h"
#include "dialogs/directory_tree.h"
#include "model/records.h"

namespace quarvel {

class TDirectry {
 public:
  // `tree` and `services` outlive the chooser. `caption` replaces the resource's title.
  TDirectry(DialogServices& services, DirectoryTree& tree, std::string caption, void* window = nullptr);

  // Starts in the tree's current directory.
  void OnInitDialog();
  void OnOpen(int index);             // a double-click on an entry of 1121
  void OnDriveChanged();              // a new selection in 1137
  void OnDriveListShown(bool shown);  // 1137's drop-down list opened or closed
  void OnAccept();                    // 1, also the Enter key
  void OnCancel();                    // 2 and the close box
  void OnHelp();                      // 9

  const DialogControls& Controls() const { return controls_; }
  DialogControls& controls() { return controls_; }
  const std::string& Caption() const { return caption_; }
  // The current directory, ending with a separator.
  const std::string& Current() const { return current_; }
  bool Accepted() const { return accepted_; }
  // On acceptance: the chosen directory, ending with a separator (lower-cased on Windows only).
  const std::string& Chosen() const { return chosen_; }
  int Result() const { return result_; }

 private:
  bool Enter(const std::string& dir);
  void Rebuild();
  void SelectDrive(const std::string& dir);
  void Close(int outcome);

  DialogServices& services_;
  DirectoryTree& tree_;
  std::string caption_;
  void* window_;
  DialogControls controls_;
  std::string current_;
  StringAry entryPaths_;  // the directory each line of 1121 opens
  int currentEntry_ = 0;  // the line of the current directory
  bool dropDownShown_ = false;
  bool accepted_ = false;
  std::string chosen_;
  int result_ = 0;
};

// Runs the chooser, already set up (OnInitDialog has run), modally; returns when it has closed.
using ChooserRunner = std::function<void(TDirectry&)>;

// Browse for a directory: `path` holds the start directory. The chooser starts there (or, when it
// cannot be entered, wherever the process's current directory is), runs through `run`, and the
// process's current directory is restored afterwards whatever the outcome. On acceptance `path`
// receives the chosen directory, ending with a separator, and true is returned; otherwise `path`
// is left as it was.
bool BrowseForDirectory(DialogServices& services, DirectoryTree& tree, const ChooserRunner& run,
                        std::string* path, const std::string& caption, void* window = nullptr);

}  // namespace quarvel
