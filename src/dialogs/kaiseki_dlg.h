// The analysis dialog: takes the old menu directory and further extensions, refuses an empty or the
// current directory, and runs the analysis into the caller's command list.
#pragma once

#include <string>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_services.h"
#include "model/records.h"

namespace quarvel {

class TSabunKaisekiDlg {
 public:
  // `menuDir` ends with a separator. `commands` is the caller's and outlives the dialog; only a run of
  // the analysis changes it.
  TSabunKaisekiDlg(DialogServices& services, const std::string& menuDir, SBNdtAry& commands,
                   void* window = nullptr);

  void OnInitDialog();
  void OnBrowse();  // 201
  void OnRun();     // 1
  void OnCancel();  // 2 and the close box
  void OnHelp();    // 9

  const DialogControls& Controls() const { return controls_; }
  DialogControls& controls() { return controls_; }
  // 0 while open, else kIdOk (the analysis ran) or kIdCancel.
  int Result() const { return result_; }

 private:
  void Close(int outcome);

  DialogServices& services_;
  std::string menuDir_;
  SBNdtAry& commands_;
  void* window_;
  DialogControls controls_;
  std::string oldDir_;
  std::string extensions_ = "*";
  int result_ = 0;
};

}  // namespace quarvel
