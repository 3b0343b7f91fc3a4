// The import dialog: shows a diff file's description and commands, lets the user leave commands out
// and take them back, takes the target menu directory and runs the import.
#pragma once

#include <string>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_services.h"
#include "engine/import/import_session.h"
#include "model/records.h"

namespace quarvel {

class TSabunLoadDlg {
 public:
  TSabunLoadDlg(DialogServices& services, std::string diffPath, void* window = nullptr);

  // Reads the diff's directory (a failure leaves it empty, unreported) and fills the controls.
  void OnInitDialog();
  void OnLeaveOut();  // 201
  void OnTakeBack();  // 202
  void OnBrowse();    // 203
  void OnImport();    // 1
  void OnCancel();    // 2 and the close box
  void OnHelp();      // 9

  const DialogControls& Controls() const { return controls_; }
  DialogControls& controls() { return controls_; }
  // The commands read at set-up; left-out ones carry kOpExcluded.
  const SBNdtAry& Commands() const { return session_.Entries(); }
  int Result() const { return result_; }

 private:
  void FillCommands();
  // "差分取込にエラーが発生しました。" with the cause of a refused or failed import beneath it.
  void ReportFailure(const ImportReport& report);
  void Close(int outcome);

  DialogServices& services_;
  void* window_;
  DialogControls controls_;
  ImportSession session_;  // the diff, its commands with the left-out marks, the user's answers
  int result_ = 0;
};

}  // namespace quarvel
