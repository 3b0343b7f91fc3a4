// The application on Win32: the command line as the system delivered it, the entry rules,
// registration, and the main window's message loop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/entry.h"
#include "gui/win32/win32_services.h"

namespace quarvel {

// The command line in CP932: the argument vector (program name first) and the text after the
// program name exactly as it was given.
struct CommandLine {
  std::vector<std::string> argv;
  std::string text;
};
// `line` is the whole command line (GetCommandLineW); `arguments` what follows the program name
// (wWinMain's). A character without a CP932 form becomes "?".
CommandLine ReadCommandLine(const wchar_t* line, const wchar_t* arguments);

class Win32App : private EntryHost {
 public:
  // Runs the program; returns its exit code.
  int Main(const wchar_t* arguments, int showState);

 private:
  void RegisterServer() override;
  int Run(const EntryPlan& plan) override;

  Win32DialogServices services_;
  int showState_ = SW_SHOWNORMAL;
};

}  // namespace quarvel
