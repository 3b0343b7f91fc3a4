// Shows each dialog of quarvel on a sample menu directory, one window at a time, then a failed and a
// completed import over a local change with their messages, for the screenshot script: window N is shown, then DIR/ready-N is written, and the program waits for DIR/shot-N (the
// script has taken the picture) before it goes on to the next window.
#include <wx/wx.h>

#include <dlfcn.h>

#include <chrono>
#include <deque>
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
#include "dialogs/load_dlg.h"
#include "dialogs/load_dlg_layout.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "gui/wx/app.h"
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

// The toolkit's message box runs its own loop with a grab: these find it and answer it as its OK
// button would, so that no key can stray into the window behind it.
void* GrabbingWidget() {
  using Get = void* (*)();
  static const auto get = reinterpret_cast<Get>(dlsym(RTLD_DEFAULT, "gtk_grab_get_current"));
  return get != nullptr ? get() : nullptr;
}
void AnswerOk(void* dialog) {
  using Respond = void (*)(void*, int);
  static const auto respond = reinterpret_cast<Respond>(dlsym(RTLD_DEFAULT, "gtk_dialog_response"));
  constexpr int kResponseOk = -5;  // GTK_RESPONSE_OK
  if (respond != nullptr) respond(dialog, kResponseOk);
}

// The services of the program, but each message box is pictured from inside its own loop when asked
// to (shots, in order: true to picture it) and then answered with OK, as a user would.
class ShotServices : public WxDialogServices {
 public:
  ShotServices(const fs::path& dir, int* n, bool* ok) : dir_(dir), n_(n), ok_(ok) {}
  std::deque<bool> shots;

  int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) override {
    const bool shoot = !shots.empty() && shots.front();
    if (!shots.empty()) shots.pop_front();
    wxTheApp->CallAfter([this, shoot] { Answer(shoot, 100); });
    return WxDialogServices::ShowMessage(window, text, caption, style);
  }

 private:
  // Waits (by asking again later) until the box holds the grab, pictures it, answers it.
  void Answer(bool shoot, int triesLeft) {
    void* box = GrabbingWidget();
    if (box == nullptr && triesLeft > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      wxTheApp->CallAfter([this, shoot, triesLeft] { Answer(shoot, triesLeft - 1); });
      return;
    }
    if (shoot) *ok_ = Shoot(dir_, (*n_)++, wxTheApp->GetTopWindow()) && *ok_;
    if (box != nullptr) AnswerOk(box);
  }

  fs::path dir_;
  int* n_;
  bool* ok_;
};

int Run(const fs::path& dir, const std::string& menuDir, const std::string& diff, const std::string& target) {
  int n = 0;
  bool ok = true;
  ShotServices services(dir, &n, &ok);
  SetUiServices(&services);
  Env().GL_sys_dir = menuDir;

  EntryPlan create;
  create.title = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8D\xEC\x90\xAC";  // Velmo 差分ファイル作成
  wxTheApp->SetAppDisplayName(FromCp932(create.title));  // the caption of every message box
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
  wxTheApp->SetAppDisplayName(FromCp932(import.title));
  auto* load = new MainWindow(import, services);
  load->Show();
  ok = Shoot(dir, n++, load) && ok;
  // A failed import, with its cause: a target directory that is not there.
  using namespace load_dlg;
  load->loadDlg()->controls().SetText(kTarget, target + "missing/");
  load->panel()->Mirror();
  services.shots = {true};
  load->panel()->Forward(kImport);
  // A completed one, over a local change that the target holds (the script edited SALES.SST there):
  // the confirmation is answered, the list of conflicts and the summary pictured.
  load->loadDlg()->controls().SetText(kTarget, target);
  load->panel()->Mirror();
  services.shots = {false, true, true};
  load->panel()->Forward(kImport);
  load->Destroy();
  wxTheApp->ProcessIdle();
  SetUiServices(nullptr);
  return ok ? 0 : 1;
}

class ScreenshotApp : public wxApp {
 public:
  bool OnInit() override {
    UseSystemLanguage(locale_);
    return argc == 5;
  }
  int OnRun() override {
    return Run(argv[1].utf8_string(), argv[2].utf8_string(), argv[3].utf8_string(), argv[4].utf8_string());
  }

 private:
  wxLocale locale_;
};

}  // namespace
}  // namespace quarvel

wxIMPLEMENT_APP(quarvel::ScreenshotApp);
