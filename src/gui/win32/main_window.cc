#include "gui/win32/main_window.h"

#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"
#include "dialogs/view_routes.h"
#include "gui/win32/ui_text.h"
#include "gui/win32/window_class.h"

namespace quarvel {

namespace {

constexpr wchar_t kFrameClass[] = L"QuarvelMainWindow";
constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Posted once the dialog has closed: the frame goes after the event that closed it has returned.
constexpr UINT kDialogClosed = WM_APP + 2;

}  // namespace

MainWindow::MainWindow(const EntryPlan& plan, Win32DialogServices& services) : plan_(plan), services_(services) {}

MainWindow::~MainWindow() {
  dialog_.reset();
  if (frame_ && IsWindow(frame_)) {
    SetWindowLongPtrW(frame_, GWLP_USERDATA, 0);
    DestroyWindow(frame_);
  }
}

bool MainWindow::Create(int showState) {
  if (!RegisterWindowClass(kFrameClass, Procedure, IDC_ARROW, COLOR_BTNFACE,
                           LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TSDIDecFrame::kIconResource)))) {
    return false;
  }
  frame_ = CreateWindowExW(0, kFrameClass, Wide(plan_.title).c_str(), kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!frame_) return false;
  SetWindowLongPtrW(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  services_.SetMainWindow(frame_);

  std::function<void()> init;
  if (plan_.dialog == ModeDialog::kImport) {
    load_ = std::make_unique<TSabunLoadDlg>(services_, plan_.diffPath, frame_);
    dialog_ = std::make_unique<LayoutDialog>(LoadDlgLayout(), load_->controls(), LoadDlgRoutes(*load_));
    init = [this] { load_->OnInitDialog(); };
  } else {
    make_ = std::make_unique<TSabunMakeDlg>(services_, frame_);
    dialog_ = std::make_unique<LayoutDialog>(MakeDlgLayout(), make_->controls(), MakeDlgRoutes(*make_));
    init = [this] { make_->OnInitDialog(); };
  }
  dialog_->beforeEvent = [this] { services_.BeginWork(); };
  dialog_->doneEvent = [this] { services_.EndWork(); };
  dialog_->afterEvent = [this] { AfterEvent(); };
  HWND child = dialog_->CreateChild(frame_, init);
  if (!child) return false;

  // The frame shrinks to the dialog, then grows by 30 pixels and moves to the screen's middle.
  RECT dialogRect{};
  GetWindowRect(child, &dialogRect);
  RECT frame{0, 0, dialogRect.right - dialogRect.left, dialogRect.bottom - dialogRect.top};
  AdjustWindowRectEx(&frame, kFrameStyle, FALSE, 0);
  const WindowRect placed = SetUpFrame({0, 0, frame.right - frame.left, frame.bottom - frame.top},
                                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(frame_, nullptr, placed.x, placed.y, placed.width, placed.height, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(child, SW_SHOW);
  ShowWindow(frame_, MainWindowShowState(showState));
  UpdateWindow(frame_);
  return true;
}

int MainWindow::DialogResult() const { return make_ ? make_->Result() : load_ ? load_->Result() : 0; }

// The dialog has closed with some outcome: the frame goes, and with it the program.
void MainWindow::AfterEvent() {
  if (DialogResult() == 0) return;
  rules_.OnClientClosed();
  if (rules_.CloseRequested()) PostMessageW(frame_, kDialogClosed, 0, 0);
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The close box and Alt+F4: while the dialog is open they are its cancel, forwarded as its own
      // cancel button forwards it. Should the dialog stay open, the frame stays too; while one of its
      // events runs (a message or a modal dialog shows) the close waits for the user to finish it.
      if (dialog_ && dialog_->Busy()) return 0;
      if (DialogResult() == 0 && dialog_) {
        dialog_->Forward(make_ ? make_dlg::kCancel : load_dlg::kCancel);
        if (DialogResult() == 0) return 0;
      }
      rules_.OnClose();
      DestroyWindow(frame_);
      return 0;
    case kDialogClosed:
      DestroyWindow(frame_);
      return 0;
    case WM_SETFOCUS:
      if (dialog_ && dialog_->window()) SetFocus(dialog_->window());
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND gone = frame_;
      frame_ = nullptr;
      return DefWindowProcW(gone, message, wParam, lParam);
    }
    default:
      return DefWindowProcW(frame_, message, wParam, lParam);
  }
}

int RunMessageLoop(const MainWindow& window) {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    HWND dialog = window.dialog() ? window.dialog()->window() : nullptr;
    if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace quarvel
