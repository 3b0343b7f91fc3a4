#include "gui/win32/ui_text.h"

#include <vector>

#include "platform/win32_text.h"

namespace quarvel {

std::wstring Wide(const std::string& cp932) {
  std::wstring out;
  if (Cp932ToWide(cp932, &out)) return out;
  // Not valid CP932: convert what can be, with the system's replacement character.
  const int n = MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  out.assign(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), out.data(), n);
  return out;
}

std::string Cp932(const std::wstring& wide) {
  std::string out;
  if (WideToCp932(wide, &out)) return out;
  const int n = WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
  out.assign(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, "?", nullptr);
  return out;
}

std::wstring WideFromUtf8(const std::string& utf8) {
  std::wstring out;
  return Utf8ToWide(utf8, &out) ? out : std::wstring();
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

void SetWindowTextIfChanged(HWND window, const std::wstring& text) {
  if (WindowText(window) != text) SetWindowTextW(window, text.c_str());
}

}  // namespace quarvel
