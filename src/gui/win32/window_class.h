// The window classes of the program's own windows (the main window, help, progress).
#pragma once

#include <windows.h>

namespace quarvel {

// Registers the class `name` of this program with `procedure`, the system cursor `cursor`, the system
// colour `background` and `icon` (may be nullptr). True once it is registered, now or by an earlier call.
bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure, LPCWSTR cursor, int background,
                         HICON icon = nullptr);

}  // namespace quarvel
