// Shows each dialog of quarvel on a sample menu directory, one window at a time, for the screenshot
// script: window N is shown, then DIR/ready-N is written, and the program waits for DIR/shot-N (the
// script has taken the picture) before it goes on to the next window.
#include <wx/wx.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "dialogs/directory_tree.h"
#include "dialogs/directry.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/directry_layout.h"
#include "engine/diff_reader.h"
#include "engine/diff_writer.h"
#include "gui/wx/dialog_views.h"
#include "gui/wx/main_window.h"
#include "shell/env.h"
#include "shell/ui_services.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

void Settle(wxWindow* window) {
  window->Raise();
  for (int i = 0; i < 20; ++i) {
    wxTheApp->Yield(true);
    window->Update();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool Shoot(const fs::path& dir, int n, wxWindow* window) {
  Settle(window);
  std::ofstream(dir / ("ready-" + std::to_string(n))) << "ready\n";
  for (int i = 0; i < 300 && !fs::exists(dir / ("shot-" + std::to_string(n))); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return fs::exists(dir / ("shot-" + std::to_string(n)));
}

int Run(const fs::path& dir, const std::string& menuDir, const std::string& diff) {
  WxDialogServices services;
  SetUiServices(&services);
  Env().GL_sys_dir = menuDir;
  int n = 0;
  bool ok = true;

  EntryPlan create;
  create.title = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8D\xEC\x90\xAC";  // Velmo 差分ファイル作成
  auto* main = new MainWindow(create, services);
  main->Show();
  ok = Shoot(dir, n++, main) && ok;

  SBNdtAry commands;
  TSabunKaisekiDlg analysis(services, menuDir, commands);
  auto* a = new ModalLayoutDialog(main, FromCp932(KaisekiDlgLayout().title));
  a->Attach(KaisekiDlgView(a, analysis), [&] { return analysis.Result(); }, [&] { analysis.OnCancel(); });
  analysis.OnInitDialog();
  a->panel()->Mirror();
  a->Show();
  ok = Shoot(dir, n++, a) && ok;
  a->Destroy();

  TDirectry chooser(services, HostDirectoryTree(), ToCp932(wxString::FromUTF8("メニューディレクトリ")));
  HostDirectoryTree().SetCurrentDir(menuDir);
  auto* d = new ModalLayoutDialog(main, FromCp932(DirectryLayout().title));
  d->Attach(DirectryView(d, chooser), [&] { return chooser.Result(); }, [&] { chooser.OnCancel(); });
  chooser.OnInitDialog();
  d->panel()->Mirror();
  d->Show();
  ok = Shoot(dir, n++, d) && ok;
  d->Destroy();

  services.ShowHelp(main, kHelpCreate);
  wxWindow* help = nullptr;
  for (wxWindow* w : wxTopLevelWindows) {
    if (w != main && w->IsShown()) help = w;
  }
  if (help) {
    ok = Shoot(dir, n++, help) && ok;
    help->Destroy();
  }
  main->Destroy();

  EntryPlan import;
  import.title = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8E\xE6\x8D\x9E";  // Velmo 差分ファイル取込
  import.dialog = ModeDialog::kImport;
  import.diffPath = diff;
  auto* load = new MainWindow(import, services);
  load->Show();
  ok = Shoot(dir, n++, load) && ok;
  load->Destroy();
  wxTheApp->ProcessIdle();
  SetUiServices(nullptr);
  return ok ? 0 : 1;
}

class ScreenshotApp : public wxApp {
 public:
  bool OnInit() override { return argc == 4; }
  int OnRun() override {
    return Run(argv[1].utf8_string(), argv[2].utf8_string(), argv[3].utf8_string());
  }
};

}  // namespace
}  // namespace quarvel

wxIMPLEMENT_APP(quarvel::ScreenshotApp);
