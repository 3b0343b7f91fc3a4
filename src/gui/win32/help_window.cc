#include "gui/win32/help_window.h"

#include <commctrl.h>

#include "gui/win32/ui_text.h"
#include "gui/win32/window_class.h"

namespace quarvel {

namespace {

constexpr wchar_t kHelpClass[] = L"QuarvelHelp";
constexpr int kEditId = 100;

LRESULT CALLBACK HelpProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      MoveWindow(GetDlgItem(window, kEditId), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DESTROY: {
      // The font was made for this window alone.
      auto font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(window, kEditId), WM_GETFONT, 0, 0));
      if (font) DeleteObject(font);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// The help text's edit: Escape closes the help window, as it closes help on Windows.
LRESULT CALLBACK HelpEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    PostMessageW(GetParent(edit), WM_CLOSE, 0, 0);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, HelpEditProcedure, 1);
  return DefSubclassProc(edit, message, wParam, lParam);
}

// An edit control ends its lines with CR LF.
std::wstring EditLines(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

}  // namespace

HFONT ApplicationFont(HWND window) {
  HDC dc = GetDC(window);
  const int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(window, dc);
  // ＭＳ Ｐゴシック
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");
}

HWND OpenHelpWindow(HWND owner, const std::string& text) {
  if (!RegisterWindowClass(kHelpClass, HelpProcedure, IDC_ARROW, COLOR_WINDOW)) return nullptr;
  HWND window = CreateWindowExW(0, kHelpClass, L"\x30D8\x30EB\x30D7", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,  // ヘルプ
                                CW_USEDEFAULT, 600, 360, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  RECT client{};
  GetClientRect(window, &client);
  HWND edit = CreateWindowExW(0, L"EDIT", EditLines(WideFromUtf8(text)).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
                              client.right, client.bottom, window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), GetModuleHandleW(nullptr),
                              nullptr);
  if (edit) {
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(ApplicationFont(window)), FALSE);
    SetWindowSubclass(edit, HelpEditProcedure, 1, 0);
  }
  // Centred on the owner.
  if (owner) {
    RECT o{};
    RECT w{};
    GetWindowRect(owner, &o);
    GetWindowRect(window, &w);
    SetWindowPos(window, nullptr, (o.left + o.right - (w.right - w.left)) / 2,
                 (o.top + o.bottom - (w.bottom - w.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  ShowWindow(window, SW_SHOW);
  return window;
}

}  // namespace quarvel
