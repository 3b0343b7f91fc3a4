#include "gui/win32/window_class.h"

namespace quarvel {

bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure, LPCWSTR cursor, int background, HICON icon) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = procedure;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hIcon = icon;
  cls.hCursor = LoadCursorW(nullptr, cursor);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  cls.lpszClassName = name;
  return RegisterClassExW(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace quarvel
