#include "gui/wx/app.h"

#include <cstdlib>

#include "app/registration.h"
#include "gui/wx/main_window.h"
#include "gui/wx/start.h"
#include "platform/text.h"
#include "shell/env.h"
#include "shell/ui_services.h"

namespace quarvel {

CommandLine ReadCommandLine(int argc, char** argv) {
  CommandLine line;
  for (int i = 0; i < argc; ++i) {
    std::string arg;
    if (!Utf8ToCp932(argv[i], &arg)) arg = argv[i];
    line.argv.push_back(arg);
    if (i == 0) continue;
    if (i > 1) line.text += ' ';
    line.text += arg;
  }
  return line;
}

void UseSystemLanguage(wxLocale& locale) {
  wxLogNull quiet;  // a missing locale is no message box
  const int language = wxLocale::GetSystemLanguage();
  if (language == wxLANGUAGE_UNKNOWN || language == wxLANGUAGE_DEFAULT || !wxLocale::IsAvailable(language)) return;
  if (!locale.Init(language, wxLOCALE_DONT_LOAD_DEFAULT)) return;
  // Debian names the catalogue after the release.
  if (!locale.AddCatalog("wxstd-3.2")) locale.AddCatalog("wxstd");
}

bool TQuarvelApp::OnInit() {
  // wx's own command-line parser would refuse the system's switches ("-M...", "/RegServer").
  UseSystemLanguage(locale_);
  SetUiServices(&services_);
  for (int i = 0; i < argc; ++i) utf8Args_.push_back(argv[i].utf8_string());
  for (std::string& arg : utf8Args_) rawArgs_.push_back(arg.data());
  StoreArguments(argc, rawArgs_.data());
  EnvInit();
  return true;
}

int TQuarvelApp::OnRun() {
  const CommandLine line = ReadCommandLine(argc, rawArgs_.data());
  const int code = RunEntry(line.argv, line.text, *this);
  SetUiServices(nullptr);
  return code;
}

void TQuarvelApp::RegisterServer() { RegisterForUser(); }

int TQuarvelApp::Run(const EntryPlan& plan) {
  SetAppDisplayName(FromCp932(plan.title));
  auto* window = new MainWindow(plan, services_);
  SetTopWindow(window);
  window->Show(MainWindowShowState(1) != 0);
  // For the smoke test: the window closes itself once it has been shown.
  if (std::getenv("QUARVEL_CLOSE_WHEN_SHOWN")) window->CallAfter([window] { window->Close(true); });
  return wxApp::OnRun();
}

}  // namespace quarvel
