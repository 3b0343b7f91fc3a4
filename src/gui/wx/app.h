// The application object: settings, the entry rules, registration, and the main window's loop.
#pragma once

#include <wx/wx.h>

#include "app/entry.h"
#include "gui/wx/wx_services.h"

namespace quarvel {

// The command line as wx received it: the argument vector (CP932, program name first) and the
// argument text after the program name, its arguments joined by blanks.
struct CommandLine {
  std::vector<std::string> argv;
  std::string text;
};
CommandLine ReadCommandLine(int argc, char** argv);

class TQuarvelApp : public wxApp, private EntryHost {
 public:
  bool OnInit() override;
  // Runs the entry; its exit code is the program's (wx ignores OnExit's).
  int OnRun() override;

 private:
  void RegisterServer() override;
  int Run(const EntryPlan& plan) override;

  WxDialogServices services_;
  std::vector<std::string> utf8Args_;
  std::vector<char*> rawArgs_;
};

}  // namespace quarvel
