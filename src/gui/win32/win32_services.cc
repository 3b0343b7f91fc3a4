#include "gui/win32/win32_services.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "app/help_text.h"
#include "dialogs/directory_tree.h"
#include "dialogs/directry.h"
#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/view_routes.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "gui/win32/help_window.h"
#include "gui/win32/layout_dialog.h"
#include "gui/win32/ui_text.h"
#include "gui/win32/window_class.h"
#include "platform/win32_text.h"

namespace quarvel {

namespace {

constexpr wchar_t kProgressClass[] = L"QuarvelProgress";
constexpr std::size_t kPathChars = 32768;  // the longest path the wide file APIs take

// "label|pattern|label|pattern|" as the common dialogs take it: each part ended by a NUL, and the
// whole by a second one.
std::wstring CommonDialogFilter(const std::string& filter) {
  std::wstring wide = Wide(filter);
  std::replace(wide.begin(), wide.end(), L'|', L'\0');
  if (wide.empty() || wide.back() != L'\0') wide += L'\0';
  return wide;
}

}  // namespace

Win32DialogServices::~Win32DialogServices() { CloseProgress(); }

bool Win32DialogServices::ShowHelp(void* window, int context) {
  const char* text = HelpText(context);
  if (!text) return false;
  help_ = OpenHelpWindow(static_cast<HWND>(window), text);
  return help_ != nullptr;
}

int Win32DialogServices::ShowMessage(void* window, const std::string& text, const std::string& caption,
                                     unsigned style) {
  CloseProgress();
  UINT flags = (style & kMbOkCancel) ? MB_OKCANCEL : MB_OK;
  if (style & kMbIconError) flags |= MB_ICONERROR;
  const std::string& shown = caption.empty() ? ApplicationTitle() : caption;
  return MessageBoxW(OwnerFor(static_cast<HWND>(window)), Wide(text).c_str(), Wide(shown).c_str(), flags) == IDOK ? kIdOk : kIdCancel;
}

bool Win32DialogServices::RunFileDialog(const FileDialogRequest& request, std::string* path) {
  const std::wstring filter = CommonDialogFilter(request.filter);
  const std::wstring extension = Wide(request.defaultExtension);
  std::vector<wchar_t> file(kPathChars, L'\0');
  const std::wstring initial = Wide(request.initialName);
  const std::wstring title = Wide(request.title);
  if (initial.size() < file.size()) std::copy(initial.begin(), initial.end(), file.begin());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = OwnerFor(main_);
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST;
  if (request.save) {
    if (request.promptOverwrite) dialog.Flags |= OFN_OVERWRITEPROMPT;
  } else {
    dialog.Flags |= OFN_FILEMUSTEXIST;
  }
  if (request.hideReadOnly) dialog.Flags |= OFN_HIDEREADONLY;
  if (request.keepCurrentDir) dialog.Flags |= OFN_NOCHANGEDIR;
  const BOOL chosen = request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) return false;
  // A name without a CP932 form could be neither opened nor written under the bytes it would get.
  std::string cp932;
  if (!WideToCp932(file.data(), &cp932)) return false;
  *path = cp932;
  return true;
}

bool Win32DialogServices::BrowseDirectory(std::string* path, const std::string& caption) {
  auto run = [this](TDirectry& chooser) {
    LayoutDialog dialog(DirectryLayout(), chooser.controls(), DirectryRoutes(chooser));
    dialog.onShown = onModalShown;
    RunModal(dialog, Wide(chooser.Caption()), nullptr, [&chooser] { return chooser.Result(); });
  };
  return BrowseForDirectory(*this, HostDirectoryTree(), run, path, caption, main_);
}

int Win32DialogServices::RunAnalysisDialog(TSabunKaisekiDlg& analysis) {
  LayoutDialog dialog(KaisekiDlgLayout(), analysis.controls(), KaisekiDlgRoutes(analysis));
  dialog.onShown = onModalShown;
  RunModal(dialog, Wide(KaisekiDlgLayout().title), [&analysis] { analysis.OnInitDialog(); },
           [&analysis] { return analysis.Result(); });
  return analysis.Result() == kIdOk ? kIdOk : kIdCancel;
}

HWND Win32DialogServices::OwnerFor(HWND window) const {
  for (auto it = modals_.rbegin(); it != modals_.rend(); ++it) {
    if ((*it)->window()) return (*it)->window();
  }
  return window;
}

void Win32DialogServices::RunModal(LayoutDialog& dialog, const std::wstring& title,
                                   const std::function<void()>& init, const std::function<int()>& result) {
  HWND owner = OwnerFor(main_);
  modals_.push_back(&dialog);
  dialog.RunModal(owner, title, init, result);
  modals_.pop_back();
}

void Win32DialogServices::BeginWaitCursor() {
  if (waitDepth_++ == 0) savedCursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void Win32DialogServices::EndWaitCursor() {
  if (waitDepth_ > 0 && --waitDepth_ == 0) SetCursor(savedCursor_);
}

void Win32DialogServices::BeginWork() {
  if (progress.BeginWork()) SetCopyProgress([this](std::uint64_t bytes) { OnCopied(bytes); });
}

void Win32DialogServices::EndWork() {
  if (!progress.EndWork()) return;
  SetCopyProgress(nullptr);
  CloseProgress();
}

// The Win32 progress window offers no stop: the work runs to its end.
void Win32DialogServices::BeginCopyWork(std::uint64_t totalBytes, bool) { progress.BeginCopyWork(totalBytes); }

void Win32DialogServices::EndCopyWork() { progress.EndCopyWork(); }

void Win32DialogServices::CloseProgress() {
  if (!progress_) return;
  DestroyWindow(progress_);
  progress_ = nullptr;
  bar_ = nullptr;
}

// A chunk was copied: a long diff write or import shows how far it has come, or that it is alive when
// its total is not known. The window only reports; the work goes on unchanged, and the window is
// painted at once since no message loop runs meanwhile.
void Win32DialogServices::OnCopied(std::uint64_t bytes) {
  const int position = progress.OnCopied(bytes);
  if (position < 0) return;
  if (!progress_) {
    if (!RegisterWindowClass(kProgressClass, DefWindowProcW, IDC_WAIT, COLOR_BTNFACE)) return;
    RECT area{0, 0, 320, 80};
    AdjustWindowRectEx(&area, WS_POPUP | WS_CAPTION, FALSE, WS_EX_DLGMODALFRAME);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    progress_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kProgressClass, Wide(ApplicationTitle()).c_str(),
                                WS_POPUP | WS_CAPTION, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, main_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!progress_) return;
    HWND label = CreateWindowExW(0, L"STATIC", L"\x51E6\x7406\x4E2D\x3067\x3059...", WS_CHILD | WS_VISIBLE,  // 処理中です...
                                 16, 12, 288, 20, progress_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 16, 40, 288, 20, progress_, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    SendMessageW(bar_, PBM_SETRANGE32, 0, CopyProgress::kRange);
    ShowWindow(progress_, SW_SHOWNA);
  }
  SendMessageW(bar_, PBM_SETPOS, position, 0);
  UpdateWindow(progress_);
}

}  // namespace quarvel
