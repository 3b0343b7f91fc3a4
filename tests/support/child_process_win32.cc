// The child of ChildProcess on Windows: this test program started again with CreateProcessW, running
// only the entry test, with the job in the environment variable QUARVEL_CHILD_JOB (its parts joined by
// line feeds). The child's standard output, where the test framework reports, goes to NUL; its
// standard error is the parent's.
#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32_text.h"
#include "support/child_process.h"

namespace quarvel {

namespace {

constexpr wchar_t kJobVariable[] = L"QUARVEL_CHILD_JOB";

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return L"";
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// A handle of the child's own for `handle`, or a new one to NUL when there is none.
HANDLE Inheritable(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
      ::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, TRUE,
                        DUPLICATE_SAME_ACCESS)) {
    return copy;
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       OPEN_EXISTING, 0, nullptr);
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (process_ == nullptr) return;
  ::TerminateProcess(process_, 1);
  Wait();
}

bool ChildProcess::Start(const char* entry, ChildMain /*main*/, const ChildJob& job) {
  std::string joined;
  for (const std::string& part : job) joined += part + "\n";
  std::wstring value;
  const std::wstring program = ProgramPath();
  if (!Cp932ToWide(joined, &value) || program.empty()) return false;
  std::wstring command = L"\"" + program + L"\" --gtest_also_run_disabled_tests --gtest_filter=";
  for (const char* c = entry; *c != '\0'; ++c) command += static_cast<wchar_t>(*c);
  command += L".DISABLED_Child";

  std::fflush(nullptr);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    OPEN_EXISTING, 0, nullptr);
  startup.hStdOutput = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     OPEN_EXISTING, 0, nullptr);
  startup.hStdError = Inheritable(::GetStdHandle(STD_ERROR_HANDLE));
  // The child inherits the environment as it is at its start; the variable is the parent's only
  // for that moment.
  ::SetEnvironmentVariableW(kJobVariable, value.c_str());
  PROCESS_INFORMATION info{};
  // A start that fails is tried again: under a loaded Wine it has failed once in a while, and the
  // tests are about what the child does, not about starting it.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt > 0) ::Sleep(200);
    started = ::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &info);
    if (!started) std::fprintf(stderr, "child process: CreateProcessW failed (%lu)\n", ::GetLastError());
  }
  ::SetEnvironmentVariableW(kJobVariable, nullptr);
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (h != INVALID_HANDLE_VALUE && h != nullptr) ::CloseHandle(h);
  }
  if (!started) return false;
  ::CloseHandle(info.hThread);
  process_ = info.hProcess;
  return true;
}

int ChildProcess::Wait() {
  if (process_ == nullptr) return -1;
  HANDLE process = static_cast<HANDLE>(process_);
  process_ = nullptr;
  DWORD code = 0;
  const bool ended = ::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                     ::GetExitCodeProcess(process, &code);
  if (!ended) std::fprintf(stderr, "child process: no exit code (%lu)\n", ::GetLastError());
  ::CloseHandle(process);
  return ended ? static_cast<int>(code) : -1;
}

void EndProcessNow(int code) {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
  ::ExitProcess(static_cast<UINT>(code));  // not reached
}

void EnterChild(ChildMain main) {
  ChildJob job;
  std::wstring value(32768, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(kJobVariable, value.data(), static_cast<DWORD>(value.size()));
  std::string joined;
  if (n == 0 || n >= value.size()) EndProcessNow(125);
  value.resize(n);
  if (!WideToCp932(value, &joined)) EndProcessNow(125);
  std::size_t start = 0;
  for (std::size_t end; (end = joined.find('\n', start)) != std::string::npos; start = end + 1) {
    job.push_back(joined.substr(start, end - start));
  }
  const int code = main(job);
  std::fflush(nullptr);
  EndProcessNow(code);
}

}  // namespace quarvel

#endif  // _WIN32
