#include "platform/program_args.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/win32_text.h"
#endif

namespace quarvel {

#ifdef _WIN32

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int n = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
  std::vector<std::string> args;
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  for (int i = 0; i < n; ++i) {
    std::string arg;
    // A lone surrogate has no UTF-8 form: the argument arrives empty and is refused as such.
    if (!WideToUtf8(wide[i], &arg)) arg.clear();
    args.push_back(arg);
  }
  ::LocalFree(wide);
  return args;
}

void UseUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void UseUtf8Console() {}

#endif

}  // namespace quarvel
