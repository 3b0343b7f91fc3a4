// Text to and from the Win32 controls: CP932 bytes as UTF-16, through the platform layer's
// conversion, so that the controls show the same characters under every system code page.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel {

// CP932 to UTF-16. Bytes that are not CP932 show as "?" rather than dropping the whole text.
std::wstring Wide(const std::string& cp932);
// UTF-16 to CP932; a character without a CP932 form becomes "?".
std::string Cp932(const std::wstring& wide);
// UTF-8 (the built-in help and messages of our own) to UTF-16.
std::wstring WideFromUtf8(const std::string& utf8);

// A window's text, and its text set only when it differs (a needless set flickers and moves carets).
std::wstring WindowText(HWND window);
void SetWindowTextIfChanged(HWND window, const std::wstring& text);

}  // namespace quarvel
