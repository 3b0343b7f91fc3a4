// Shows each Win32 window of quarvel on a sample menu directory, one at a time, then a failed and a
// completed import over a local change with their messages, for the screenshot script: window N is shown, then DIR\ready-N is written, and the program waits for DIR\shot-N (the
// script has taken the picture) before it goes on to the next window.
#include <windows.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/directory_tree.h"
#include "dialogs/directry.h"
#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/load_dlg.h"
#include "dialogs/load_dlg_layout.h"
#include "dialogs/view_routes.h"
#include "gui/win32/layout_dialog.h"
#include "gui/win32/main_window.h"
#include "gui/win32/ui_text.h"
#include "shell/env.h"
#include "shell/ui_services.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// Handles what is queued for `milliseconds`, as the message loop would (a quit is dropped).
void PumpFor(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(20);
  } while (std::chrono::steady_clock::now() < end);
}

bool Shoot(const fs::path& dir, int n, HWND window) {
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpFor(400);
  std::ofstream(dir / ("ready-" + std::to_string(n))) << "ready\n";
  for (int i = 0; i < 300 && !fs::exists(dir / ("shot-" + std::to_string(n))); ++i) PumpFor(50);
  return fs::exists(dir / ("shot-" + std::to_string(n)));
}

// The services of the program, but each message box is pictured from inside its own loop when asked
// to (shots, in order: true to picture it) and then answered with OK, as a user would.
class ShotServices : public Win32DialogServices {
 public:
  ShotServices(const fs::path& dir, int* n, bool* ok) { current_ = {dir, n, ok, false}; }
  std::deque<bool> shots;

  int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) override {
    current_.shoot = !shots.empty() && shots.front();
    if (!shots.empty()) shots.pop_front();
    SetTimer(nullptr, 0, 300, OnTimer);
    return Win32DialogServices::ShowMessage(window, text, caption, style);
  }

 private:
  struct Pending {
    fs::path dir;
    int* n;
    bool* ok;
    bool shoot;
  };
  static inline Pending current_;

  // Runs inside the message box's loop: the box is this thread's active window.
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND box = GetActiveWindow();
    if (box == nullptr) return;
    if (current_.shoot) *current_.ok = Shoot(current_.dir, (*current_.n)++, box) && *current_.ok;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
};

int Run(const fs::path& dir, const std::string& menuDir, const std::string& diff, const std::string& target) {
  int n = 0;
  bool ok = true;
  ShotServices services(dir, &n, &ok);
  SetUiServices(&services);
  Env().GL_sys_dir = menuDir;

  EntryPlan create;
  create.title = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8D\xEC\x90\xAC";  // Velmo 差分ファイル作成
  services.SetApplicationTitle(create.title);
  auto main = std::make_unique<MainWindow>(create, services);
  if (!main->Create(SW_SHOWNORMAL)) return 1;
  ok = Shoot(dir, n++, main->window()) && ok;

  // A modal dialog is pictured from inside its own loop, then closed by its close box.
  auto shootModal = [&](LayoutDialog& dialog) {
    ok = Shoot(dir, n++, dialog.window()) && ok;
    PostMessageW(dialog.window(), WM_CLOSE, 0, 0);
  };
  services.onModalShown = shootModal;
  SBNdtAry commands;
  TSabunKaisekiDlg analysis(services, menuDir, commands, main->window());
  services.RunAnalysisDialog(analysis);

  HostDirectoryTree().SetCurrentDir(menuDir);
  TDirectry chooser(services, HostDirectoryTree(), "\x83\x81\x83j\x83\x85\x81[\x83\x66\x83\x42\x83\x8C\x83N\x83g\x83\x8A",  // メニューディレクトリ
                    main->window());
  LayoutDialog directory(DirectryLayout(), chooser.controls(), DirectryRoutes(chooser));
  directory.onShown = shootModal;
  directory.RunModal(main->window(), Wide(chooser.Caption()), [&] { chooser.OnInitDialog(); },
                     [&] { return chooser.Result(); });

  if (services.ShowHelp(main->window(), kHelpCreate)) {
    ok = Shoot(dir, n++, services.lastHelpWindow()) && ok;
    DestroyWindow(services.lastHelpWindow());
  }
  main.reset();
  PumpFor(100);

  EntryPlan import;
  import.title = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8E\xE6\x8D\x9E";  // Velmo 差分ファイル取込
  import.dialog = ModeDialog::kImport;
  import.diffPath = diff;
  services.SetApplicationTitle(import.title);
  auto load = std::make_unique<MainWindow>(import, services);
  if (!load->Create(SW_SHOWNORMAL)) return 1;
  ok = Shoot(dir, n++, load->window()) && ok;
  // A failed import, with its cause: a target directory that is not there.
  using namespace load_dlg;
  load->loadDlg()->controls().SetText(kTarget, target + "missing\\");
  load->dialog()->Mirror();
  services.shots = {true};
  load->dialog()->Forward(kImport);
  // A completed one, over a local change that the target holds (the script edited SALES.SST there):
  // the confirmation is answered, the list of conflicts and the summary pictured.
  load->loadDlg()->controls().SetText(kTarget, target);
  load->dialog()->Mirror();
  services.shots = {false, true, true};
  load->dialog()->Forward(kImport);
  load.reset();
  SetUiServices(nullptr);
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace quarvel

// Arguments: the folder of the ready and shot files, the menu directory, the diff file, the directory
// to import it into (CP932).
int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  quarvel::InitDialogControlClasses();
  return quarvel::Run(argv[1], quarvel::Cp932(argv[2]), quarvel::Cp932(argv[3]), quarvel::Cp932(argv[4]));
}
