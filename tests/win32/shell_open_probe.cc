// Opens a diff file as the shell does on a double click, and reports what the program shows.
//
//   shell_open_probe.exe DIFFPATH
//
// Follows HKCU\Software\Classes\.kmd to its ProgID and that ProgID's shell\open\command, replaces %1
// with DIFFPATH, starts exactly that command line, waits for the window that holds the import
// dialog's path field (control 901) and reads it, the description (902) and the entry list (401) from
// outside the process. Checks that the ProgID's DefaultIcon names an icon that exists, then closes
// the program. Prints UTF-8 lines:
//
//   progid: ...          command: ...         caption: ...  (the main window's)
//   path: ...            description: ...     count: N      line: ...  (N times)
//   icon: PATH,INDEX of COUNT                 closed: yes | terminated
//
// Exits 0 when it found and read all of that, 1 otherwise (with the reason on stderr), 2 on misuse.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kPathId = 901;
constexpr int kDescriptionId = 902;
constexpr int kListId = 401;
constexpr DWORD kWindowWaitMs = 30000;  // for the dialog to appear
constexpr DWORD kFillWaitMs = 3000;     // for its fields to be filled once it is there
constexpr DWORD kCloseWaitMs = 20000;   // for the program to end after WM_CLOSE
constexpr UINT kSendTimeoutMs = 5000;   // per message sent to the other process

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// stdout is binary (see wmain): the bytes reach the reader as UTF-8 whatever the console code page.
void Print(const std::wstring& label, const std::wstring& value) {
  const std::string line = Utf8(label) + ": " + Utf8(value) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

void Fail(const std::wstring& reason) {
  const std::string line = "shell_open_probe: " + Utf8(reason) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// The default value of HKCU\Software\Classes\SUBKEY, a string (RegGetValueW expands a REG_EXPAND_SZ
// into a REG_SZ, as the shell does). The per-user classes are what a per-user installation writes.
bool ReadClassDefault(const std::wstring& subkey, std::wstring* value) {
  const std::wstring key = L"Software\\Classes\\" + subkey;
  const DWORD flags = RRF_RT_REG_SZ;
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return false;
  }
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, flags, nullptr, buffer.data(), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  value->assign(buffer.data());
  return true;
}

// The command with every %1 replaced by the path, as the shell substitutes it (it adds no quotes:
// the command has them around %1).
bool Substitute(const std::wstring& command, const std::wstring& path, std::wstring* out) {
  std::wstring result;
  bool found = false;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] == L'%' && i + 1 < command.size() && command[i + 1] == L'1') {
      result += path;
      found = true;
      ++i;
    } else {
      result += command[i];
    }
  }
  *out = result;
  return found;
}

// The top-level windows of a process.
struct TopLevels {
  DWORD pid;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* top = reinterpret_cast<TopLevels*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == top->pid) top->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
  TopLevels top{pid, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&top));
  return top.windows;
}

// The first descendant of a window with a given control id.
struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ControlSearch*>(param);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindControl(HWND top, int id) {
  ControlSearch search{id, nullptr};
  EnumChildWindows(top, MatchControl, reinterpret_cast<LPARAM>(&search));  // all descendants
  return search.found;
}

// Sends a message to the other process without hanging on it. False when it did not answer.
bool Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer) == 0) {
    return false;
  }
  *result = static_cast<LRESULT>(answer);
  return true;
}

// WM_GETTEXT is carried across processes by the system.
bool WindowText(HWND window, std::wstring* text) {
  LRESULT length = 0;
  if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0) return false;
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!Send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), &copied)) return false;
  text->assign(buffer.data());
  return true;
}

// The lines of a list box with strings; LB_GETTEXT is carried across processes like WM_GETTEXT.
bool ListLines(HWND list, std::vector<std::wstring>* lines) {
  LRESULT count = 0;
  if (!Send(list, LB_GETCOUNT, 0, 0, &count) || count == LB_ERR) return false;
  lines->clear();
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = 0;
    if (!Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, &length) || length == LB_ERR) return false;
    // An ANSI list may count bytes, a Unicode one characters: bytes are never fewer.
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()), &copied) ||
        copied == LB_ERR) {
      return false;
    }
    lines->emplace_back(buffer.data());
  }
  return true;
}

// The import dialog as read from the other process.
struct Dialog {
  HWND path = nullptr;
  HWND description = nullptr;
  HWND list = nullptr;
};

bool FindDialog(DWORD pid, Dialog* dialog) {
  for (HWND top : TopLevelWindows(pid)) {
    HWND path = FindControl(top, kPathId);
    if (path == nullptr) continue;
    // The list and the description are in the same dialog as the path, so under the same top level.
    dialog->path = path;
    dialog->description = FindControl(top, kDescriptionId);
    dialog->list = FindControl(top, kListId);
    return true;
  }
  return false;
}

// The caption of the program's main window: its visible top level without an owner.
std::wstring MainCaption(DWORD pid) {
  for (HWND top : TopLevelWindows(pid)) {
    if (!IsWindowVisible(top) || GetWindow(top, GW_OWNER) != nullptr) continue;
    std::wstring caption;
    if (WindowText(top, &caption)) return caption;
  }
  return std::wstring();
}

// Checks a DefaultIcon value ("PATH",INDEX or PATH,INDEX): the file must hold an icon of that index
// (a negative index names a resource id). Prints the icon line.
bool CheckIcon(const std::wstring& value) {
  std::wstring path = value;
  std::wstring index = L"0";
  const std::size_t comma = value.rfind(L',');
  if (comma != std::wstring::npos) {
    path = value.substr(0, comma);
    index = value.substr(comma + 1);
  }
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
  wchar_t expanded[MAX_PATH * 4];
  if (ExpandEnvironmentStringsW(path.c_str(), expanded, static_cast<DWORD>(std::size(expanded))) != 0) {
    path = expanded;
  }
  const int number = static_cast<int>(std::wcstol(index.c_str(), nullptr, 10));
  const UINT count = ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0);
  Print(L"icon", path + L"," + std::to_wstring(number) + L" of " + std::to_wstring(count));
  if (number >= 0) return count > static_cast<UINT>(number);
  HICON icon = nullptr;
  if (ExtractIconExW(path.c_str(), number, &icon, nullptr, 1) != 1 || icon == nullptr) return false;
  DestroyIcon(icon);
  return true;
}

// Closes the program as a user would; ends it when it does not go.
void CloseProgram(const PROCESS_INFORMATION& process) {
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
    Print(L"closed", L"yes");
    return;
  }
  for (HWND top : TopLevelWindows(process.dwProcessId)) {
    if (IsWindowVisible(top) && GetWindow(top, GW_OWNER) == nullptr) PostMessageW(top, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, kCloseWaitMs) == WAIT_OBJECT_0) {
    Print(L"closed", L"yes");
    return;
  }
  TerminateProcess(process.hProcess, 1);
  WaitForSingleObject(process.hProcess, kCloseWaitMs);
  Print(L"closed", L"terminated");
}

// Waits for the dialog of the started program and prints what it shows. False when it did not come
// or could not be read.
bool ReadDialog(const PROCESS_INFORMATION& process) {
  WaitForInputIdle(process.hProcess, kWindowWaitMs);
  const ULONGLONG start = GetTickCount64();
  Dialog dialog;
  while (!FindDialog(process.dwProcessId, &dialog)) {
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code) && code != STILL_ACTIVE) {
      Fail(L"the program ended (exit code " + std::to_wstring(code) + L") without showing control 901");
      return false;
    }
    if (GetTickCount64() - start > kWindowWaitMs) {
      Fail(L"no window of the program holds control 901 after 30 s");
      for (HWND top : TopLevelWindows(process.dwProcessId)) {
        std::wstring caption;
        WindowText(top, &caption);
        Print(L"window", caption);
      }
      return false;
    }
    Sleep(200);
  }
  // The fields may be filled just after the dialog is made: give them a moment, but not for ever (a
  // broken program may leave them empty).
  std::wstring path;
  std::vector<std::wstring> lines;
  const ULONGLONG found = GetTickCount64();
  for (;;) {
    const bool read = WindowText(dialog.path, &path) && (dialog.list == nullptr || ListLines(dialog.list, &lines));
    if (read && !path.empty() && !lines.empty()) break;
    if (GetTickCount64() - found > kFillWaitMs) break;
    Sleep(200);
  }
  Print(L"caption", MainCaption(process.dwProcessId));
  if (!WindowText(dialog.path, &path)) {
    Fail(L"the text of control 901 could not be read");
    return false;
  }
  Print(L"path", path);
  std::wstring description;
  if (dialog.description != nullptr && WindowText(dialog.description, &description)) {
    Print(L"description", description);
  }
  if (dialog.list == nullptr) {
    Fail(L"the dialog has no list 401");
    return false;
  }
  if (!ListLines(dialog.list, &lines)) {
    Fail(L"the lines of list 401 could not be read");
    return false;
  }
  Print(L"count", std::to_wstring(lines.size()));
  for (const std::wstring& line : lines) Print(L"line", line);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  if (argc != 2) {
    Fail(L"usage: shell_open_probe.exe DIFFPATH");
    return 2;
  }
  const std::wstring diff = argv[1];

  std::wstring progId, command, icon;
  if (!ReadClassDefault(L".kmd", &progId) || progId.empty()) {
    Fail(L"HKCU\\Software\\Classes\\.kmd has no default value");
    return 1;
  }
  Print(L"progid", progId);
  if (!ReadClassDefault(progId + L"\\shell\\open\\command", &command)) {
    Fail(L"HKCU\\Software\\Classes\\" + progId + L"\\shell\\open\\command has no default value");
    return 1;
  }
  Print(L"command", command);
  const bool haveIcon = ReadClassDefault(progId + L"\\DefaultIcon", &icon);

  std::wstring line;
  if (!Substitute(command, diff, &line)) {
    Fail(L"the command has no %1");
    return 1;
  }
  // The shell starts the command line as it stands, the program named by its first token.
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Fail(L"CreateProcessW failed with error " + std::to_wstring(GetLastError()) + L" for: " + line);
    return 1;
  }
  const bool shown = ReadDialog(process);
  CloseProgram(process);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  bool iconFound = false;
  if (!haveIcon) {
    Fail(L"HKCU\\Software\\Classes\\" + progId + L"\\DefaultIcon has no default value");
  } else if (!(iconFound = CheckIcon(icon))) {
    Fail(L"DefaultIcon names an icon the file does not hold: " + icon);
  }
  return shown && iconFound ? 0 : 1;
}
