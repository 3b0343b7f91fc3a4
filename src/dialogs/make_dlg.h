// The creation dialog: lists the current menu directory by kind, builds the command list by hand, from
// a diff file or by analysis, and writes it as a diff file.
#pragma once

#include <string>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_services.h"
#include "menufiles/listings.h"
#include "model/records.h"

namespace quarvel {

class TSabunMakeDlg {
 public:
  enum Tab { kTabMenus = 0, kTabLibraries = 1, kTabCommons = 2, kTabOthers = 3 };

  // `services` outlives the dialog; `window` is handed to help and message boxes as their owner.
  explicit TSabunMakeDlg(DialogServices& services, void* window = nullptr);

  // Set-up once the window exists: tabs, lists of the current menu directory, empty command list.
  void OnInitDialog();
  // Notifications, one per control event.
  void OnTabChanged(int tab);              // 1001
  void OnMenuSelChange();                  // 402
  void OnLibrarySelChange();               // 501
  void OnCommonSelChange();                // 404
  void OnCommandSelChange();               // 401
  void OnSearch();                         // 204
  void OnAnalyse();                        // 201
  void OnAdd();                            // 202
  void OnRemove();                         // 203
  void OnReadDiff();                       // 205
  void OnBrowse();                         // 206
  void OnWrite();                          // 1
  void OnCancel();                         // 2 and the close box
  void OnHelp();                           // 9

  // What the controls show. A view copies user input (typed text, selections) into `controls()`
  // before it forwards the notification.
  const DialogControls& Controls() const { return controls_; }
  DialogControls& controls() { return controls_; }
  int CurrentTab() const { return tab_; }
  const SBNdtAry& Commands() const { return commands_; }
  // 0 while open, else the outcome the dialog closed with.
  int Result() const { return result_; }

 private:
  void ShowTab(int tab);
  void RefreshStem();
  void FillMenus();
  void FillLibraries();
  void ChooseLibrary();
  void FillDocuments();
  void FillCommons();
  void FillOthers();
  void FillAllCandidates();
  // Keeps the first failed listing (a negative result) of a refill; ReportListing shows it once.
  void NoteListing(int listed);
  void ReportListing();
  void FillCommands();
  void UpdateDescription();
  std::string CurrentMenuDir() const;
  void Close(int outcome);

  DialogServices& services_;
  void* window_;
  DialogControls controls_;
  int tab_ = kTabMenus;
  int result_ = 0;
  SBNdtAry commands_;
  SSMenu menuHolder_;
  SSDlib libHolder_;
  SSVlib comHolder_;
  TDicAry menus_;
  TDicAry libraries_;
  TDicAry documents_;
  TDicAry commons_;
  ReadFailure listingFailure_;
};

}  // namespace quarvel
