// The real Win32 views, started in-process on a sample menu directory and driven with the messages
// that the controls and the user send; and quarvel.exe started as a user starts it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/help_text.h"
#include "app/registration.h"
#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "gui/win32/layout_dialog.h"
#include "gui/win32/main_window.h"
#include "platform/registration_win32.h"
#include "gui/win32/ui_text.h"
#include "platform/platform.h"
#include "sample/menu_dir_builder.h"
#include "support/dialog_test_util.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

// The real services but for the modal boxes a test cannot answer: messages are recorded and
// answered OK, with the progress bar's state at that moment (or, with `realMessages`, shown as the
// program shows them); the file dialog answers from a queue.
class TestServices : public Win32DialogServices {
 public:
  bool realMessages = false;
  std::vector<std::string> messages;
  std::vector<std::pair<int, int>> progressAtMessage;  // position and range, or {-1, -1}
  std::deque<std::string> fileAnswers;
  std::vector<std::pair<int, int>> ended;  // resource, outcome
  void EndDialog(int resource, int outcome) override { ended.emplace_back(resource, outcome); }
  int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) override {
    if (realMessages) return Win32DialogServices::ShowMessage(window, text, caption, style);
    messages.push_back(text);
    std::pair<int, int> progress{-1, -1};
    if (HWND bar = progressBar()) {
      progress = {static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)),
                  static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0))};
    }
    progressAtMessage.push_back(progress);
    return kIdOk;
  }
  bool RunFileDialog(const FileDialogRequest&, std::string* path) override {
    if (fileAnswers.empty()) return false;
    *path = fileAnswers.front();
    fileAnswers.pop_front();
    return true;
  }
};

// Handles what is queued, as the message loop would, and drops the quit that a closed main window
// posts so that it cannot end the next test's modal loops.
void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND Find(LayoutDialog& d, int id) {
  HWND w = d.Control(id);
  EXPECT_NE(w, nullptr) << "control " << id;
  return w;
}

void Notify(LayoutDialog& d, int id, int code) {
  SendMessageW(d.window(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Find(d, id)));
}

void Click(LayoutDialog& d, int id) { SendMessageW(Find(d, id), BM_CLICK, 0, 0); }

bool IsCombo(HWND w) {
  wchar_t name[32] = {};
  GetClassNameW(w, name, 32);
  return lstrcmpiW(name, L"COMBOBOX") == 0;
}

// The user clicks line `line` of a list (extended lists: that line alone).
void PickLine(LayoutDialog& d, int id, int line) {
  HWND w = Find(d, id);
  if (IsCombo(w)) {
    SendMessageW(w, CB_SETCURSEL, line, 0);
    Notify(d, id, CBN_SELCHANGE);
    return;
  }
  if (GetWindowLongW(w, GWL_STYLE) & LBS_EXTENDEDSEL) {
    SendMessageW(w, LB_SETSEL, FALSE, -1);
    SendMessageW(w, LB_SETSEL, TRUE, line);
  } else {
    SendMessageW(w, LB_SETCURSEL, line, 0);
  }
  Notify(d, id, LBN_SELCHANGE);
}

void DoubleClickLine(LayoutDialog& d, int id, int line) {
  HWND w = Find(d, id);
  SendMessageW(w, LB_SETCURSEL, line, 0);
  SendMessageW(w, LB_SETCARETINDEX, line, FALSE);
  Notify(d, id, LBN_DBLCLK);
}

// The user picks a tab: the control changes its page and tells its parent.
void PickTab(LayoutDialog& d, int id, int page) {
  HWND tabs = Find(d, id);
  SendMessageW(tabs, TCM_SETCURSEL, page, 0);
  NMHDR header{tabs, static_cast<UINT_PTR>(id), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(d.window(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
}

// A modal dialog that its drive did not close is closed by its close box once the drive returns, so
// that a failing test reports instead of waiting for ever. A dialog that has ended drops the message.
void CloseIfOpen(LayoutDialog& d) {
  if (d.window()) PostMessageW(d.window(), WM_CLOSE, 0, 0);
}

void Type(LayoutDialog& d, int id, const std::string& cp932) { SetWindowTextW(Find(d, id), Wide(cp932).c_str()); }

std::vector<std::string> Lines(LayoutDialog& d, int id) {
  HWND w = Find(d, id);
  const bool combo = IsCombo(w);
  std::vector<std::string> lines;
  const int count = static_cast<int>(SendMessageW(w, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[512] = {};
    SendMessageW(w, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
    lines.push_back(Cp932(buffer));
  }
  return lines;
}

int LineIndex(LayoutDialog& d, int id, const std::string& text) {
  const std::vector<std::string> lines = Lines(d, id);
  auto it = std::find(lines.begin(), lines.end(), text);
  return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

std::string TextOf(LayoutDialog& d, int id) { return Cp932(WindowText(Find(d, id))); }
bool Shown(LayoutDialog& d, int id) { return IsWindowVisible(Find(d, id)) != FALSE; }
bool Enabled(LayoutDialog& d, int id) { return IsWindowEnabled(Find(d, id)) != FALSE; }
bool Exists(const std::string& path) {
  std::uint32_t attributes = 0;
  return Host().GetAttributes(path, &attributes) == 0;
}

// Every control that shows lies wholly inside the dialog's client area, and no two overlap; a tab
// control holds its page's controls, so only its strip is its own.
void ExpectClearLayout(LayoutDialog& d, const DialogLayout& layout) {
  const SIZE client = d.ClientSize();
  std::vector<std::pair<int, RECT>> shown;
  for (std::size_t i = 0; i < layout.count; ++i) {
    const ControlLayout& c = layout.controls[i];
    HWND w = c.id == kNoId ? nullptr : d.Control(c.id);
    if (!w || !IsWindowVisible(w)) continue;
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, d.window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_GE(r.left, 0) << c.id;
    EXPECT_GE(r.top, 0) << c.id;
    EXPECT_LE(r.right, client.cx) << c.id;
    EXPECT_LE(r.bottom, client.cy) << c.id;
    if (c.kind == ControlKind::kTab) continue;
    if (c.kind == ControlKind::kComboBox) r.bottom = r.top + 24;  // the closed box, not its list
    shown.emplace_back(c.id, r);
  }
  ASSERT_FALSE(shown.empty());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &shown[i].second, &shown[j].second))
          << "controls " << shown[i].first << " and " << shown[j].first;
    }
  }
}

const std::string kQuote = "\x8C\xA9\x90\xCF\x41";  // 見積A
const std::string kSlip = "\x94\x5B\x95\x69\x42";   // 納品B

class Win32GuiTest : public ::testing::Test {
 protected:
  Win32GuiTest() {
    // Two titles whose order by the CP932 bytes differs from the order of some locales' rules.
    MenuDirBuilder(menu_)
        .Menu("SALES.SST", kSlip)
        .Menu("ORDERS.SST", kQuote)
        .Library("DOCS.SSD", "Documents", {{"QUOTE", "q", "qq"}})
        .Library("COMMON.SSV", "Shared", {})
        .File("DATA.CSV", "1,2");
    MenuDirBuilder(old_).Menu("SALES.SST", kSlip);
  }
  ~Win32GuiTest() override {
    window_.reset();
    Pump();
  }
  MainWindow& Open(ModeDialog mode, const std::string& diff = "") {
    EntryPlan plan;
    plan.title = "Quarvel test";
    plan.dialog = mode;
    plan.diffPath = diff;
    ui_.SetApplicationTitle(plan.title);
    window_ = std::make_unique<MainWindow>(plan, ui_);
    EXPECT_TRUE(window_->Create(SW_SHOWNORMAL));
    Pump();
    return *window_;
  }
  // The dialog has closed the frame: it goes once its posted close has been handled.
  void ExpectFrameGoes() {
    HWND frame = window_->window();
    Pump();
    EXPECT_FALSE(frame && IsWindow(frame));
  }

  TempDir tmp_;
  std::string menu_ = tmp_.Sub("menu");
  std::string old_ = tmp_.Sub("old");
  MenuDirScope scope_{menu_};
  TestServices ui_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(Win32GuiTest, CreationListsEveryKindInItsTabInTheModelsOrder) {
  using namespace make_dlg;
  LayoutDialog& d = *Open(ModeDialog::kCreate).dialog();
  EXPECT_EQ(TextOf(d, kMenuDir), menu_);
  // Byte order of the CP932 text, whatever the locale: the lists never sort by themselves.
  EXPECT_EQ(Lines(d, kMenus), (std::vector<std::string>{kQuote, kSlip}));
  EXPECT_EQ(Lines(d, kMenus), window_->makeDlg()->Controls().List(kMenus).Texts());
  for (int id : {kMenus, kDocuments, kCommons, kOthers, kCommands}) {
    EXPECT_EQ(GetWindowLongW(Find(d, id), GWL_STYLE) & LBS_SORT, 0) << id;
  }
  EXPECT_EQ(GetWindowLongW(Find(d, kLibraries), GWL_STYLE) & CBS_SORT, 0);
  EXPECT_TRUE(Shown(d, kMenus));
  EXPECT_FALSE(Shown(d, kLibraries));
  ASSERT_EQ(SendMessageW(Find(d, kTabs), TCM_GETITEMCOUNT, 0, 0), kTabCount);

  // Every tab in view, none behind scroll arrows, the strip at the resource's width.
  HWND tabs = Find(d, kTabs);
  RECT strip{};
  GetClientRect(tabs, &strip);
  for (int tab = 0; tab < kTabCount; ++tab) {
    RECT item{};
    ASSERT_TRUE(SendMessageW(tabs, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(&item)));
    EXPECT_LE(item.right, strip.right) << tab;
    EXPECT_EQ(item.top, 2) << "tab " << tab << " is on a row of its own";  // one row: every tab at the top
  }
  HWND arrows = FindWindowExW(tabs, nullptr, UPDOWN_CLASSW, nullptr);
  EXPECT_FALSE(arrows && IsWindowVisible(arrows));

  PickTab(d, kTabs, TSabunMakeDlg::kTabLibraries);
  EXPECT_FALSE(Shown(d, kMenus));
  EXPECT_TRUE(Shown(d, kLibraries));
  EXPECT_TRUE(Shown(d, kDocuments));
  EXPECT_EQ(Lines(d, kLibraries), (std::vector<std::string>{"Documents"}));
  EXPECT_EQ(Lines(d, kDocuments), (std::vector<std::string>{kAllDocs, "QUOTE"}));

  PickTab(d, kTabs, TSabunMakeDlg::kTabCommons);
  EXPECT_TRUE(Shown(d, kCommons));
  EXPECT_FALSE(Shown(d, kLibraries));
  EXPECT_EQ(Lines(d, kCommons), (std::vector<std::string>{"Shared"}));

  PickTab(d, kTabs, TSabunMakeDlg::kTabOthers);
  EXPECT_TRUE(Shown(d, kOthers));
  EXPECT_FALSE(Shown(d, kCommons));
  EXPECT_EQ(Lines(d, kOthers), (std::vector<std::string>{"DATA.CSV"}));
}

TEST_F(Win32GuiTest, AddAndRemoveChangeTheCommandListAndWriteMakesADiff) {
  using namespace make_dlg;
  MainWindow& w = Open(ModeDialog::kCreate);
  LayoutDialog& d = *w.dialog();
  PickLine(d, kMenus, LineIndex(d, kMenus, kSlip));
  Click(d, kAdd);
  EXPECT_EQ(Lines(d, kCommands), (std::vector<std::string>{kAddPrefix + kMenuLabel + kSlip}));
  EXPECT_FALSE(Enabled(d, kRemove));
  PickLine(d, kCommands, 0);
  EXPECT_TRUE(Enabled(d, kRemove));
  Click(d, kRemove);
  EXPECT_TRUE(Lines(d, kCommands).empty());

  PickLine(d, kMenus, LineIndex(d, kMenus, kQuote));
  Click(d, kAdd);
  Type(d, kComment, "first update");
  const std::string out = tmp_.path() + "out.kmd";
  ui_.fileAnswers.push_back(out);
  ui_.progress.delayMs = 0;  // the progress window shows from the first chunk and changes nothing
  Click(d, kWrite);
  ASSERT_EQ(ui_.messages.size(), 1u);
  // It had a total: once everything was copied its bar had all but filled.
  const auto [position, range] = ui_.progressAtMessage[0];
  EXPECT_EQ(range, CopyProgress::kRange);
  EXPECT_GE(position, range * 9 / 10);
  EXPECT_TRUE(w.rules().CloseRequested());  // the dialog closed, and the program with it
  ExpectFrameGoes();
  SBNdtAry read;
  std::string comment;
  ASSERT_EQ(LoadDiffDirectory(out, read, &comment), 0);
  EXPECT_EQ(comment, "first update");
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].name, "ORDERS.SST");
}

TEST_F(Win32GuiTest, AnalysisDialogFillsTheCommandList) {
  using namespace make_dlg;
  LayoutDialog& d = *Open(ModeDialog::kCreate).dialog();
  bool shown = false;
  ui_.onModalShown = [&](LayoutDialog& a) {
    shown = true;
    EXPECT_EQ(Cp932(WindowText(a.window())), KaisekiDlgLayout().title);
    EXPECT_EQ(GetWindow(a.window(), GW_OWNER), window_->window());
    ExpectClearLayout(a, KaisekiDlgLayout());
    Type(a, kaiseki_dlg::kOldDir, old_);
    Click(a, kaiseki_dlg::kRun);
    CloseIfOpen(a);
  };
  Click(d, kAnalyse);
  EXPECT_TRUE(shown);
  // The newer directory holds what the old lacks: the analysis adds it.
  const std::vector<std::string> lines = Lines(d, kCommands);
  EXPECT_NE(std::find(lines.begin(), lines.end(), kAddPrefix + kMenuLabel + kQuote), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), kAddPrefix + kMenuLabel + kSlip), lines.end());
}

TEST_F(Win32GuiTest, ImportShowsTheDiffLeavesLinesOutAndImportsIntoTheChosenDirectory) {
  using namespace load_dlg;
  const std::string target = tmp_.Sub("target");
  MenuDirBuilder(target).Menu("OLD.SST", "Old");
  const std::string sub = target + "sub" + kDirSep;
  ASSERT_TRUE(std::filesystem::create_directory(sub));
  MenuDirBuilder(sub).Menu("OLD.SST", "Old");
  const std::string diff = tmp_.path() + "u.kmd";
  SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "SALES.SST", kSlip, ""},
                      {kOpAddOrReplace, OtherFile, "DATA.CSV", "", ""},
                      {kOpDelete, MenuFile, "OLD.SST", "Old", ""}};
  std::string comment = "update";
  ASSERT_EQ(WriteDiffFile(diff, menu_, changes, &comment), 0);

  MainWindow& w = Open(ModeDialog::kImport, diff);
  LayoutDialog& d = *w.dialog();
  EXPECT_EQ(TextOf(d, kDescription), "update");
  const std::string lineFile = kAddPrefix + kFileLabel + "DATA.CSV";
  EXPECT_EQ(Lines(d, kCommands).size(), 3u);
  const int fileLine = LineIndex(d, kCommands, lineFile);
  ASSERT_GE(fileLine, 0);
  PickLine(d, kCommands, fileLine);
  Click(d, kLeaveOut);
  EXPECT_EQ(LineIndex(d, kCommands, lineFile), -1);  // a left-out line is hidden
  EXPECT_EQ(Lines(d, kCommands).size(), 2u);

  // The directory chooser: open "sub" below the target and accept it.
  Type(d, kTarget, target);
  bool chooserShown = false;
  ui_.onModalShown = [&](LayoutDialog& c) {
    chooserShown = true;
    ExpectClearLayout(c, DirectryLayout());
    const int line = LineIndex(c, directry::kDirectories, "sub");
    if (line < 0) {
      // A modal dialog left open would hold the test until its time runs out.
      ADD_FAILURE() << "no line \"sub\" in the directory chooser";
      PostMessageW(c.window(), WM_CLOSE, 0, 0);
      return;
    }
    DoubleClickLine(c, directry::kDirectories, line);
    Click(c, directry::kAccept);
    CloseIfOpen(c);
  };
  Click(d, kBrowse);
  EXPECT_TRUE(chooserShown);
  // The chooser gives its directory lower-cased, as Windows names ignore case.
  std::string chosen = sub;
  std::transform(chosen.begin(), chosen.end(), chosen.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  EXPECT_EQ(TextOf(d, kTarget), chosen);

  ui_.progress.delayMs = 0;
  Click(d, kImport);
  ASSERT_EQ(ui_.messages.size(), 2u);  // the confirmation, then the end
  EXPECT_GE(ui_.progressAtMessage[1].first, CopyProgress::kRange * 9 / 10);
  EXPECT_TRUE(w.rules().CloseRequested());
  ExpectFrameGoes();
  EXPECT_TRUE(Exists(sub + "SALES.SST"));
  EXPECT_FALSE(Exists(sub + "OLD.SST"));
  EXPECT_FALSE(Exists(sub + "DATA.CSV"));
  EXPECT_TRUE(Exists(target + "OLD.SST"));
}

TEST_F(Win32GuiTest, EveryViewHoldsItsControlsWithoutClippingOrOverlap) {
  {
    SCOPED_TRACE("creation");
    LayoutDialog& d = *Open(ModeDialog::kCreate).dialog();
    for (int tab = 0; tab < make_dlg::kTabCount; ++tab) {
      SCOPED_TRACE(tab);
      PickTab(d, make_dlg::kTabs, tab);
      ExpectClearLayout(d, MakeDlgLayout());
    }
  }
  {
    SCOPED_TRACE("import");
    ExpectClearLayout(*Open(ModeDialog::kImport, tmp_.path() + "none.kmd").dialog(), LoadDlgLayout());
  }
  // The frame holds the whole dialog, 30 pixels to spare below.
  RECT client{};
  GetClientRect(window_->window(), &client);
  const SIZE dialog = window_->dialog()->ClientSize();
  EXPECT_EQ(client.right, dialog.cx);
  EXPECT_EQ(client.bottom, dialog.cy + 30);
  EXPECT_EQ(GetWindowLongW(window_->window(), GWL_STYLE) & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
}

TEST_F(Win32GuiTest, EscapeAndTheCloseBoxAreTheCancelOfEveryDialog) {
  using namespace make_dlg;
  LayoutDialog& d = *Open(ModeDialog::kCreate).dialog();
  // In the analysis dialog: the Escape key, through the dialog's own message loop.
  ui_.onModalShown = [](LayoutDialog& a) {
    SetFocus(a.Control(kaiseki_dlg::kOldDir));
    PostMessageW(a.Control(kaiseki_dlg::kOldDir), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  Click(d, kAnalyse);
  EXPECT_TRUE(Lines(d, kCommands).empty());
  // In the directory chooser: its close box.
  ui_.onModalShown = [](LayoutDialog& c) { PostMessageW(c.window(), WM_CLOSE, 0, 0); };
  const std::string before = TextOf(d, kMenuDir);
  Click(d, kBrowse);
  EXPECT_EQ(TextOf(d, kMenuDir), before);
  // The frame's close box is the mode dialog's cancel, in both modes.
  for (ModeDialog mode : {ModeDialog::kCreate, ModeDialog::kImport}) {
    SCOPED_TRACE(mode == ModeDialog::kCreate ? "creation" : "import");
    ui_.ended.clear();
    MainWindow& w = Open(mode, tmp_.path() + "none.kmd");
    HWND frame = w.window();
    SendMessageW(frame, WM_CLOSE, 0, 0);
    const int resource = mode == ModeDialog::kCreate ? make_dlg::kResource : load_dlg::kResource;
    EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{resource, kIdCancel}}));
    EXPECT_TRUE(w.rules().CloseRequested());
    EXPECT_FALSE(IsWindow(frame));
    Pump();
  }
}

// Answers each message box of the program as it activates, recording its owner and whether the
// window it stands over still took input meanwhile.
struct MessageBoxAnswerer {
  static MessageBoxAnswerer* current;
  HWND watched = nullptr;
  std::vector<HWND> owners;
  std::vector<bool> watchedEnabled;
  HHOOK hook = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  MessageBoxAnswerer() { current = this; }
  ~MessageBoxAnswerer() {
    UnhookWindowsHookEx(hook);
    current = nullptr;
  }
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && current) {
      HWND box = reinterpret_cast<HWND>(wParam);
      wchar_t name[32] = {};
      GetClassNameW(box, name, 32);
      // A message box: the dialog class with the application's title as its caption.
      if (lstrcmpW(name, L"#32770") == 0 && WindowText(box) == L"Quarvel test") {
        current->owners.push_back(GetWindow(box, GW_OWNER));
        current->watchedEnabled.push_back(IsWindowEnabled(current->watched) != FALSE);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
};
MessageBoxAnswerer* MessageBoxAnswerer::current = nullptr;

TEST_F(Win32GuiTest, WhatADialogOpensBelongsToItAndLeavesItWithoutInputMeanwhile) {
  using namespace make_dlg;
  LayoutDialog& d = *Open(ModeDialog::kCreate).dialog();
  HWND frame = window_->window();
  HWND analysis = nullptr;
  HWND chooserOwner = nullptr;
  bool analysisEnabled = true;
  MessageBoxAnswerer answerer;
  ui_.realMessages = true;
  ui_.onModalShown = [&](LayoutDialog& m) {
    if (analysis) {  // the directory chooser, opened from the analysis dialog
      chooserOwner = GetWindow(m.window(), GW_OWNER);
      analysisEnabled = IsWindowEnabled(analysis) != FALSE;
      EXPECT_EQ(ui_.OwnerFor(frame), m.window());
      Click(m, directry::kCancel);
      return;
    }
    analysis = m.window();
    answerer.watched = analysis;
    Click(m, kaiseki_dlg::kBrowse);
    EXPECT_EQ(ui_.OwnerFor(frame), analysis);
    // No old directory: the message stands over the analysis dialog, not over the frame behind it.
    Type(m, kaiseki_dlg::kOldDir, "");
    Click(m, kaiseki_dlg::kRun);
    Click(m, kaiseki_dlg::kCancel);
  };
  Click(d, kAnalyse);
  ASSERT_NE(analysis, nullptr);
  EXPECT_EQ(chooserOwner, analysis);
  EXPECT_FALSE(analysisEnabled);
  EXPECT_EQ(answerer.owners, (std::vector<HWND>{analysis}));
  EXPECT_EQ(answerer.watchedEnabled, (std::vector<bool>{false}));
  EXPECT_EQ(ui_.OwnerFor(frame), frame);
}

TEST_F(Win32GuiTest, TheFrameStaysWhileAnEventOfItsDialogRuns) {
  using namespace make_dlg;
  MainWindow& w = Open(ModeDialog::kCreate);
  LayoutDialog& d = *w.dialog();
  HWND frame = w.window();
  bool stayed = false;
  int clicks = 0;
  ui_.onModalShown = [&](LayoutDialog& a) {
    // A close sent to the frame, or a click that reaches the dialog behind, while the analysis runs.
    SendMessageW(frame, WM_CLOSE, 0, 0);
    ++clicks;
    SendMessageW(d.window(), WM_COMMAND, MAKEWPARAM(kAnalyse, BN_CLICKED), 0);
    stayed = IsWindow(frame) && IsWindow(a.window()) && w.makeDlg()->Result() == 0;
    Click(a, kaiseki_dlg::kCancel);
  };
  Click(d, kAnalyse);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(clicks, 1);  // the second analysis never opened inside the first
  EXPECT_TRUE(IsWindow(frame));
  EXPECT_FALSE(w.rules().CloseRequested());
  SendMessageW(frame, WM_CLOSE, 0, 0);  // once it is done, the close box closes
  EXPECT_FALSE(IsWindow(frame));
}

TEST_F(Win32GuiTest, PathsAndDescriptionsShowTheirAmpersands) {
  using namespace load_dlg;
  const std::string diff = tmp_.path() + "R&D.kmd";
  SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "SALES.SST", kSlip, ""}};
  std::string comment = "Q&A";
  ASSERT_EQ(WriteDiffFile(diff, menu_, changes, &comment), 0);
  LayoutDialog& d = *Open(ModeDialog::kImport, diff).dialog();
  EXPECT_EQ(TextOf(d, kDescription), "Q&A");
  for (int id : {kDiffPath, kDescription}) EXPECT_NE(GetWindowLongW(Find(d, id), GWL_STYLE) & SS_NOPREFIX, 0) << id;
  // A label with a mnemonic keeps it: Alt+D in the directory chooser.
  bool checked = false;
  ui_.onModalShown = [&](LayoutDialog& c) {
    EXPECT_NE(GetWindowLongW(Find(c, directry::kPath), GWL_STYLE) & SS_NOPREFIX, 0);
    EXPECT_EQ(GetWindowLongW(Find(c, directry::kDriveLabel), GWL_STYLE) & SS_NOPREFIX, 0);
    checked = true;
    Click(c, directry::kCancel);
  };
  Click(d, kBrowse);
  EXPECT_TRUE(checked);
}

TEST_F(Win32GuiTest, HelpOpensAWindowWithTheTextOfItsContext) {
  Open(ModeDialog::kCreate);
  EXPECT_FALSE(ui_.ShowHelp(nullptr, 999));
  Click(*window_->dialog(), make_dlg::kHelp);
  HWND help = ui_.lastHelpWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(IsWindowVisible(help));
  std::wstring expected;
  for (wchar_t c : WideFromUtf8(HelpText(kHelpCreate))) {
    if (c == L'\n') expected += L'\r';
    expected += c;
  }
  HWND edit = GetWindow(help, GW_CHILD);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(WindowText(edit), expected);
  DestroyWindow(help);
}

std::wstring RegistryText(const std::wstring& key) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  const std::wstring path = L"Software\\Classes\\" + key;
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return L"(none)";
  }
  return data;
}

void RemoveRegistration() {
  for (const wchar_t* key : {L".kmd", L"ZELT Document.1", L"ZELT.Application.1"}) {
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\") + key).c_str());
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\CLSID\\" + Wide(kQuarvelClassId)).c_str());
}

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

TEST_F(Win32GuiTest, RegistrationWritesTheDiffTypeUnderTheUsersClasses) {
  RemoveRegistration();
  EXPECT_EQ(ApplyRegistrationWin32("not a script"), -1);
  EXPECT_EQ(RegistryText(L".kmd"), L"(none)");
  ASSERT_EQ(RegisterServer(ui_, ApplyRegistrationWin32), 0);
  EXPECT_TRUE(ui_.messages.empty());
  const std::wstring program = L"\"" + ProgramPath() + L"\"";
  EXPECT_EQ(RegistryText(L".kmd"), L"ZELT Document.1");
  EXPECT_EQ(RegistryText(L"ZELT Document.1\\shell\\open\\command"), program + L" \"%1\"");
  EXPECT_EQ(RegistryText(L"ZELT Document.1\\DefaultIcon"), program + L",1");
  EXPECT_EQ(RegistryText(L"ZELT Document.1"), Wide("Velmo\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9"));  // Velmo差分ﾌｧｲﾙ
  EXPECT_EQ(RegistryText(L"ZELT.Application.1\\CLSID"), Wide(kQuarvelClassId));
  EXPECT_EQ(RegistryText(L"CLSID\\" + Wide(kQuarvelClassId) + L"\\ProgID"), L"ZELT.Application.1");
  // A key with a line break is refused before anything is written.
  RemoveRegistration();
  EXPECT_EQ(RegisterServer(ui_, ApplyRegistrationWin32, {{"bad\nkey", "v"}}, DocumentRegistration()), -1);
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(RegistryText(L".kmd"), L"(none)");
}

// quarvel.exe beside the tests' build: build-win\src\gui\win32\quarvel.exe from build-win\tests.
std::wstring QuarvelExe() {
  std::wstring path = ProgramPath();
  path.erase(path.find_last_of(L'\\'));
  path.erase(path.find_last_of(L'\\') + 1);
  return path + L"src\\gui\\win32\\quarvel.exe";
}

struct Found {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM data) {
  auto* found = reinterpret_cast<Found*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != found->process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  found->window = window;
  return FALSE;
}

// Starts quarvel.exe with `arguments`; once its main window shows, checks its caption and closes it
// with WM_CLOSE (or, with an empty `caption`, expects no window at all). Returns the exit code.
int RunQuarvel(const std::wstring& arguments, const std::wstring& caption, const std::wstring& dir,
               const std::wstring& exe = QuarvelExe()) {
  std::wstring line = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &start, &process)) {
    ADD_FAILURE() << "quarvel.exe did not start: " << GetLastError();
    return -1;
  }
  Found found{process.dwProcessId, nullptr};
  for (int i = 0; i < 300 && !found.window; ++i) {
    if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
  }
  if (caption.empty()) {
    EXPECT_EQ(found.window, nullptr);
  } else if (found.window) {
    EXPECT_EQ(WindowText(found.window), caption);
    PostMessageW(found.window, WM_CLOSE, 0, 0);
  } else {
    ADD_FAILURE() << "no window showed";
  }
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "quarvel.exe did not end";
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

TEST_F(Win32GuiTest, QuarvelExeStartsInEachModeAndEndsOnClose) {
  const std::wstring dir = Wide(menu_);
  const std::string diff = tmp_.path() + "u.kmd";
  SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "SALES.SST", kSlip, ""}};
  std::string comment = "update";
  ASSERT_EQ(WriteDiffFile(diff, menu_, changes, &comment), 0);
  RemoveRegistration();
  // Velmo 差分ファイル作成 / Velmo 差分ファイル取込
  EXPECT_EQ(RunQuarvel(L"", L"Velmo \x5DEE\x5206\x30D5\x30A1\x30A4\x30EB\x4F5C\x6210", dir), 0);
  // Creation mode registers the diff file type on every start.
  EXPECT_EQ(RegistryText(L"ZELT Document.1\\shell\\open\\command"), L"\"" + QuarvelExe() + L"\" \"%1\"");
  EXPECT_EQ(RunQuarvel(L"\"" + Wide(diff) + L"\"", L"Velmo \x5DEE\x5206\x30D5\x30A1\x30A4\x30EB\x53D6\x8FBC", dir), 0);
  RemoveRegistration();
  EXPECT_EQ(RunQuarvel(L"/RegServer", L"", dir), 0);
  EXPECT_EQ(RegistryText(L".kmd"), L"ZELT Document.1");
  RemoveRegistration();
}

TEST_F(Win32GuiTest, RegistrationTakesAProgramPathWithoutACp932Form) {
  // Installed in a folder named in another script (Hangul and e-acute have no CP932 form).
  const std::wstring folder = Wide(tmp_.path()) + L"Caf\x00E9\xD55C";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring exe = folder + L"\\quarvel.exe";
  ASSERT_TRUE(CopyFileW(QuarvelExe().c_str(), exe.c_str(), FALSE));
  RemoveRegistration();
  EXPECT_EQ(RunQuarvel(L"/RegServer", L"", Wide(menu_), exe), 0);
  EXPECT_EQ(RegistryText(L"ZELT Document.1\\shell\\open\\command"), L"\"" + exe + L"\" \"%1\"");
  EXPECT_EQ(RegistryText(L"ZELT Document.1\\DefaultIcon"), L"\"" + exe + L"\",1");
  RemoveRegistration();
  DeleteFileW(exe.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace quarvel

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quarvel::InitDialogControlClasses();
  return RUN_ALL_TESTS();
}
