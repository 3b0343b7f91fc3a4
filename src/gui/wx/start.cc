#include "gui/wx/start.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/registration.h"
#include "gui/wx/icon_files.h"
#include "quarvel_version.h"
#include "shell/ui_services.h"
#ifdef _WIN32
#include "platform/registration_win32.h"
#else
#include "platform/registration_posix.h"
#endif

namespace quarvel {

namespace {

// The services installed at the time: the toolkit's when it runs, else the console's.
class InstalledServices final : public UiServices {
 public:
  bool ShowHelp(void* window, int context) override { return quarvel::ShowHelp(window, context); }
  int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) override {
    return quarvel::ShowMessage(window, text, caption, style);
  }
};

// The entry's host when only the registration runs: no window is ever made.
class RegistrationHost : public EntryHost {
 public:
  void RegisterServer() override { RegisterForUser(); }
  int Run(const EntryPlan&) override { return 0; }
};

}  // namespace

int RegisterForUser() {
  InstalledServices ui;
#ifdef _WIN32
  return RegisterServer(ui, ApplyRegistrationWin32);
#else
  return RegisterServer(ui, [](const std::string& script) { return ApplyRegistrationPosix(script, IconFiles()); });
#endif
}

bool StartWithoutToolkit(int argc, char** argv, int* code) {
  if (argc != 2) return false;
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("quarvel %s\n", QUARVEL_VERSION);
    *code = 0;
    return true;
  }
  const std::vector<std::string> args(argv, argv + argc);
  if (!PlanEntry(args, argv[1]).registerOnly) return false;
  RegistrationHost host;
  *code = RunEntry(args, argv[1], host);
  return true;
}

}  // namespace quarvel
