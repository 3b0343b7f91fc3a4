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

// Takes the system's language for the toolkit's own texts (its buttons, the file and progress
// dialogs): with Debian's wx3.2-i18n, Japanese on a Japanese desktop. Quietly nothing where the
// language or its catalogue is missing.
void UseSystemLanguage(wxLocale& locale);

class TQuarvelApp : public wxApp, private EntryHost {
 public:
  bool OnInit() override;
  // Runs the entry; its exit code is the program's (wx ignores OnExit's).
  int OnRun() override;

 private:
  void RegisterServer() override;
  int Run(const EntryPlan& plan) override;

  wxLocale locale_;
  WxDialogServices services_;
  std::vector<std::string> utf8Args_;
  std::vector<char*> rawArgs_;
};

}  // namespace quarvel
