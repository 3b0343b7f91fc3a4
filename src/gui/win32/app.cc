#include "gui/win32/app.h"

#include <shellapi.h>

#include "app/registration.h"
#include "gui/win32/layout_dialog.h"
#include "gui/win32/main_window.h"
#include "platform/registration_win32.h"
#include "gui/win32/ui_text.h"
#include "shell/env.h"
#include "shell/ui_services.h"

namespace quarvel {

CommandLine ReadCommandLine(const wchar_t* line, const wchar_t* arguments) {
  CommandLine out;
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(line, &count);
  if (words) {
    for (int i = 0; i < count; ++i) out.argv.push_back(Cp932(words[i]));
    LocalFree(words);
  }
  out.text = Cp932(arguments ? arguments : L"");
  return out;
}

int Win32App::Main(const wchar_t* arguments, int showState) {
  showState_ = showState;
  InitDialogControlClasses();
  SetUiServices(&services_);
  const CommandLine line = ReadCommandLine(GetCommandLineW(), arguments);
  std::vector<const char*> argv;
  for (const std::string& arg : line.argv) argv.push_back(arg.c_str());
  StoreArguments(static_cast<int>(argv.size()), argv.data());
  EnvInit();
  const int code = RunEntry(line.argv, line.text, *this);
  SetUiServices(nullptr);
  return code;
}

void Win32App::RegisterServer() { quarvel::RegisterServer(services_, ApplyRegistrationWin32); }

int Win32App::Run(const EntryPlan& plan) {
  services_.SetApplicationTitle(plan.title);
  MainWindow window(plan, services_);
  if (!window.Create(showState_)) return 1;
  return RunMessageLoop(window);
}

}  // namespace quarvel
