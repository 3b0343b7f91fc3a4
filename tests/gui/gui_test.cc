// The real wx views, started in-process on a sample menu directory and driven through widget events.
#include <gtest/gtest.h>
#include <wx/notebook.h>
#include <wx/progdlg.h>
#include <wx/wx.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <set>

#include "dialogs/directory_tree.h"
#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "gui/wx/dialog_views.h"
#include "app/registration.h"
#include "gui/wx/app.h"
#include "gui/wx/main_window.h"
#include "platform/text.h"
#include "sample/menu_dir_builder.h"
#include "support/dialog_test_util.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

// The real services but for the modal boxes a test cannot answer: messages are recorded and
// answered OK, the file dialog answers from a queue.
class TestServices : public WxDialogServices {
 public:
  std::vector<std::string> messages;
  std::deque<std::string> fileAnswers;
  std::vector<std::pair<int, int>> ended;  // resource, outcome
  void EndDialog(int resource, int outcome) override { ended.emplace_back(resource, outcome); }
  // Value and range of the progress dialog that showed when each message came, or {-1, -1}.
  std::vector<std::pair<int, int>> progressAtMessage;
  int ShowMessage(void*, const std::string& text, const std::string&, unsigned) override {
    messages.push_back(text);
    std::pair<int, int> progress{-1, -1};
    for (wxWindow* w : wxTopLevelWindows) {
      if (auto* p = dynamic_cast<wxGenericProgressDialog*>(w)) progress = {p->GetValue(), p->GetRange()};
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

wxWindow* Find(LayoutPanel* panel, int id) {
  wxWindow* w = panel->Control(id);
  EXPECT_NE(w, nullptr) << "control " << id;
  return w;
}

void Click(LayoutPanel* panel, int id) {
  wxWindow* button = Find(panel, id);
  wxCommandEvent event(wxEVT_BUTTON, id);
  event.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(event);
}

// The user clicks line `line` of a list box (extended lists: that line alone).
void PickLine(LayoutPanel* panel, int id, int line) {
  auto* list = static_cast<wxListBox*>(Find(panel, id));
  list->DeselectAll();
  list->SetSelection(line);
  wxCommandEvent event(wxEVT_LISTBOX, id);
  event.SetEventObject(list);
  event.SetInt(line);
  list->GetEventHandler()->ProcessEvent(event);
}

void Type(LayoutPanel* panel, int id, const std::string& cp932) {
  static_cast<wxTextCtrl*>(Find(panel, id))->SetValue(FromCp932(cp932));
}

std::vector<std::string> Lines(LayoutPanel* panel, int id) {
  std::vector<std::string> lines;
  auto* list = dynamic_cast<wxItemContainer*>(Find(panel, id));
  for (unsigned i = 0; i < list->GetCount(); ++i) lines.push_back(ToCp932(list->GetString(i)));
  return lines;
}

int LineIndex(LayoutPanel* panel, int id, const std::string& text) {
  std::vector<std::string> lines = Lines(panel, id);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == text) return static_cast<int>(i);
  }
  return -1;
}

// What a static or an edit control shows, in CP932.
std::string TextOf(LayoutPanel* panel, int id) {
  wxWindow* w = Find(panel, id);
  if (auto* edit = dynamic_cast<wxTextCtrl*>(w)) return ToCp932(edit->GetValue());
  return ToCp932(w->GetLabel());
}

bool Shown(LayoutPanel* panel, int id) { return Find(panel, id)->IsShown(); }

// A key as the toolkit hands it to a window first.
void PressKey(wxWindow* window, int key) {
  wxKeyEvent event(wxEVT_CHAR_HOOK);
  event.m_keyCode = key;
  event.SetEventObject(window);
  window->GetEventHandler()->ProcessEvent(event);
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Lets GTK lay out what is shown (sizes are allocated from the event loop) until `done` holds, for at
// most about two seconds.
bool SettleUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 200; ++i) {
    wxTheApp->Yield(true);
    if (done()) return true;
    wxMilliSleep(10);
  }
  return done();
}

// The pages whose tab the strip shows: every point of the strip, asked which tab lies under it.
std::set<int> TabsInView(wxNotebook* tabs) {
  std::set<int> pages;
  const wxSize size = tabs->GetSize();
  for (int y = 0; y < size.y; y += 2) {
    for (int x = 0; x < size.x; ++x) {
      const int page = tabs->HitTest(wxPoint(x, y));
      if (page != wxNOT_FOUND) pages.insert(page);
    }
  }
  return pages;
}

// Which control a window is, for failure messages.
std::string Describe(wxWindow* w) {
  return "control " + std::to_string(w->GetId()) + " \"" + w->GetLabel().utf8_string() + "\"";
}

// What a user sees of a panel whose client area is `client`: every control that shows lies wholly
// inside it, clear of the bottom and right edges, and no two of them overlap.
void ExpectClearLayout(wxWindow* panel, const wxSize& client) {
  std::vector<wxWindow*> shown;
  for (wxWindow* w : panel->GetChildren()) {
    if (w->IsShown()) shown.push_back(w);
  }
  ASSERT_FALSE(shown.empty());
  const wxSize edge = panel->ConvertDialogToPixels(wxSize(2, 2));
  for (wxWindow* w : shown) {
    const wxRect r = w->GetRect();
    EXPECT_GE(r.x, 0) << Describe(w);
    EXPECT_GE(r.y, 0) << Describe(w);
    EXPECT_LE(r.GetRight() + edge.x, client.x) << Describe(w);
    EXPECT_LE(r.GetBottom() + edge.y, client.y) << Describe(w);
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      EXPECT_FALSE(shown[i]->GetRect().Intersects(shown[j]->GetRect())) << Describe(shown[i]) << " and "
                                                                         << Describe(shown[j]);
    }
  }
}

class GuiTest : public ::testing::Test {
 protected:
  GuiTest() {
    MenuDirBuilder(menu_)
        .Menu("SALES.SST", "Sales")
        .Menu("ORDERS.SST", "Orders")
        .Library("DOCS.SSD", "Documents", {{"QUOTE", "q", "qq"}})
        .Library("COMMON.SSV", "Shared", {})
        .File("DATA.CSV", "1,2");
    MenuDirBuilder(old_).Menu("SALES.SST", "Sales");
  }
  ~GuiTest() override {
    if (window_ && !window_->IsBeingDeleted()) window_->Destroy();
    wxTheApp->ProcessIdle();
  }
  MainWindow* Open(ModeDialog mode, const std::string& diff = "") {
    EntryPlan plan;
    plan.title = "Quarvel test";
    plan.dialog = mode;
    plan.diffPath = diff;
    window_ = new MainWindow(plan, ui_);
    window_->Show();
    return window_;
  }

  TempDir tmp_;
  std::string menu_ = tmp_.Sub("menu");
  std::string old_ = tmp_.Sub("old");
  MenuDirScope scope_{menu_};
  TestServices ui_;
  MainWindow* window_ = nullptr;
};

TEST_F(GuiTest, CreationListsEveryKindInItsTab) {
  using namespace make_dlg;
  LayoutPanel* p = Open(ModeDialog::kCreate)->panel();
  EXPECT_EQ(TextOf(p, kMenuDir), menu_);
  EXPECT_EQ(Lines(p, kMenus), (std::vector<std::string>{"Orders", "Sales"}));
  EXPECT_TRUE(Shown(p, kMenus));
  EXPECT_FALSE(Shown(p, kLibraries));
  auto* tabs = static_cast<wxNotebook*>(Find(p, kTabs));
  ASSERT_EQ(tabs->GetPageCount(), static_cast<size_t>(kTabCount));

  tabs->SetSelection(TSabunMakeDlg::kTabLibraries);
  EXPECT_FALSE(Shown(p, kMenus));
  EXPECT_TRUE(Shown(p, kLibraries));
  EXPECT_TRUE(Shown(p, kDocuments));
  EXPECT_EQ(Lines(p, kLibraries), (std::vector<std::string>{"Documents"}));
  EXPECT_EQ(Lines(p, kDocuments), (std::vector<std::string>{kAllDocs, "QUOTE"}));

  tabs->SetSelection(TSabunMakeDlg::kTabCommons);
  EXPECT_TRUE(Shown(p, kCommons));
  EXPECT_FALSE(Shown(p, kLibraries));
  EXPECT_EQ(Lines(p, kCommons), (std::vector<std::string>{"Shared"}));

  tabs->SetSelection(TSabunMakeDlg::kTabOthers);
  EXPECT_TRUE(Shown(p, kOthers));
  EXPECT_FALSE(Shown(p, kCommons));
  EXPECT_EQ(Lines(p, kOthers), (std::vector<std::string>{"DATA.CSV"}));
}

TEST_F(GuiTest, EveryTabOfTheCreationDialogIsInViewWithoutScrolling) {
  using namespace make_dlg;
  LayoutPanel* p = Open(ModeDialog::kCreate)->panel();
  auto* tabs = static_cast<wxNotebook*>(Find(p, kTabs));
  ASSERT_TRUE(SettleUntil([&] { return !TabsInView(tabs).empty(); }));
  EXPECT_EQ(TabsInView(tabs), (std::set<int>{0, 1, 2, 3}));
  // The strip keeps the resource's width: it may not grow over the buttons beside it.
  EXPECT_EQ(tabs->GetSize().x, p->ConvertDialogToPixels(wxSize(FindControl(MakeDlgLayout(), kTabs)->width, 0)).x);
}

TEST_F(GuiTest, AddAndRemoveChangeTheCommandListAndWriteMakesADiff) {
  using namespace make_dlg;
  MainWindow* w = Open(ModeDialog::kCreate);
  LayoutPanel* p = w->panel();
  PickLine(p, kMenus, LineIndex(p, kMenus, "Sales"));
  Click(p, kAdd);
  EXPECT_EQ(Lines(p, kCommands), (std::vector<std::string>{kAddPrefix + kMenuLabel + "Sales"}));
  EXPECT_FALSE(Find(p, kRemove)->IsEnabled());
  PickLine(p, kCommands, 0);
  EXPECT_TRUE(Find(p, kRemove)->IsEnabled());
  Click(p, kRemove);
  EXPECT_TRUE(Lines(p, kCommands).empty());

  PickLine(p, kMenus, LineIndex(p, kMenus, "Orders"));
  Click(p, kAdd);
  Type(p, kComment, "first update");
  const std::string out = tmp_.path() + "out.kmd";
  ui_.fileAnswers.push_back(out);
  ui_.progress.delayMs = 0;  // the progress dialog shows from the first chunk and changes nothing
  Click(p, kWrite);
  ASSERT_EQ(ui_.messages.size(), 1u);
  // It had a total: once everything was copied its bar had all but filled.
  const auto [value, range] = ui_.progressAtMessage[0];
  EXPECT_GT(range, 0);
  EXPECT_GE(value, range * 9 / 10);
  EXPECT_TRUE(w->rules().CloseRequested());  // the dialog closed, and the program with it
  window_ = nullptr;
  SBNdtAry read;
  std::string comment;
  ASSERT_EQ(LoadDiffDirectory(out, read, &comment), 0);
  EXPECT_EQ(comment, "first update");
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].name, "ORDERS.SST");
}

TEST_F(GuiTest, AnalysisDialogFillsTheCommandList) {
  using namespace make_dlg;
  LayoutPanel* p = Open(ModeDialog::kCreate)->panel();
  bool shown = false;
  ui_.onModalShown = [&](wxDialog& dialog) {
    shown = true;
    LayoutPanel* a = static_cast<ModalLayoutDialog&>(dialog).panel();
    EXPECT_EQ(dialog.GetTitle(), FromCp932(KaisekiDlgLayout().title));
    Type(a, kaiseki_dlg::kOldDir, old_);
    Click(a, kaiseki_dlg::kRun);
  };
  Click(p, kAnalyse);
  EXPECT_TRUE(shown);
  // The newer directory holds what the old lacks: the analysis adds them.
  std::vector<std::string> lines = Lines(p, kCommands);
  EXPECT_NE(std::find(lines.begin(), lines.end(), kAddPrefix + kMenuLabel + "Orders"), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), kAddPrefix + kMenuLabel + "Sales"), lines.end());
}

TEST_F(GuiTest, ImportShowsTheDiffLeavesLinesOutAndImportsIntoTheChosenDirectory) {
  using namespace load_dlg;
  const std::string target = tmp_.Sub("target");
  MenuDirBuilder(target).Menu("OLD.SST", "Old");
  std::filesystem::create_directory(target + "sub");
  MenuDirBuilder(target + "sub/").Menu("OLD.SST", "Old");
  const std::string diff = tmp_.path() + "u.kmd";
  SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "SALES.SST", "Sales", ""},
                      {kOpAddOrReplace, OtherFile, "DATA.CSV", "", ""},
                      {kOpDelete, MenuFile, "OLD.SST", "Old", ""}};
  std::string comment = "update";
  ASSERT_EQ(WriteDiffFile(diff, menu_, changes, &comment), 0);

  MainWindow* w = Open(ModeDialog::kImport, diff);
  LayoutPanel* p = w->panel();
  EXPECT_EQ(TextOf(p, kDescription), "update");
  const std::string lineFile = kAddPrefix + kFileLabel + "DATA.CSV";
  EXPECT_EQ(Lines(p, kCommands).size(), 3u);
  const int fileLine = LineIndex(p, kCommands, lineFile);
  ASSERT_GE(fileLine, 0);
  PickLine(p, kCommands, fileLine);
  Click(p, kLeaveOut);
  EXPECT_EQ(LineIndex(p, kCommands, lineFile), -1);  // a left-out line is hidden
  EXPECT_EQ(Lines(p, kCommands).size(), 2u);

  // The directory chooser: Enter on "sub" below the target opens it (as a double click does), and
  // the dialog stays; then it is accepted.
  Type(p, kTarget, target);
  std::string openedByEnter;
  ui_.onModalShown = [&](wxDialog& dialog) {
    LayoutPanel* d = static_cast<ModalLayoutDialog&>(dialog).panel();
    const int sub = LineIndex(d, directry::kDirectories, "sub");
    ASSERT_GE(sub, 0);
    PickLine(d, directry::kDirectories, sub);
    d->Control(directry::kDirectories)->SetFocus();
    PressKey(&dialog, WXK_RETURN);
    openedByEnter = TextOf(d, directry::kPath);
    EXPECT_TRUE(dialog.IsModal());
    Click(d, directry::kAccept);
  };
  Click(p, kBrowse);
  const std::string chosen = target + "sub/";
  EXPECT_EQ(openedByEnter, chosen);
  EXPECT_EQ(TextOf(p, kTarget), chosen);

  ui_.progress.delayMs = 0;
  Click(p, kImport);
  ASSERT_EQ(ui_.messages.size(), 2u);  // the confirmation, then the end
  const auto [value, range] = ui_.progressAtMessage[1];
  EXPECT_GT(range, 0);
  EXPECT_GE(value, range * 9 / 10);
  EXPECT_TRUE(w->rules().CloseRequested());
  window_ = nullptr;
  EXPECT_TRUE(Exists(chosen + "SALES.SST"));
  EXPECT_FALSE(Exists(chosen + "OLD.SST"));
  EXPECT_FALSE(Exists(chosen + "DATA.CSV"));
  EXPECT_TRUE(Exists(target + "OLD.SST"));
}

TEST_F(GuiTest, EveryViewHoldsItsControlsWithoutClippingOrOverlap) {
  // A hidden frame of its own does not stretch the panel, so each panel shows the client area it asks for.
  wxFrame host(nullptr, wxID_ANY, "host");
  new wxPanel(&host);
  {
    SCOPED_TRACE("creation");
    TSabunMakeDlg dlg(ui_, &host);
    LayoutPanel* p = MakeDlgView(&host, dlg);
    dlg.OnInitDialog();
    p->Mirror();
    for (int tab = 0; tab < make_dlg::kTabCount; ++tab) {
      SCOPED_TRACE(tab);
      p->ForwardTab(tab);
      ExpectClearLayout(p, p->GetSize());
    }
    p->Destroy();
  }
  {
    SCOPED_TRACE("import");
    TSabunLoadDlg dlg(ui_, tmp_.path() + "none.kmd", &host);
    LayoutPanel* p = LoadDlgView(&host, dlg);
    dlg.OnInitDialog();
    p->Mirror();
    ExpectClearLayout(p, p->GetSize());
    p->Destroy();
  }
  {
    SCOPED_TRACE("analysis");
    SBNdtAry commands;
    TSabunKaisekiDlg dlg(ui_, menu_, commands);
    ModalLayoutDialog dialog(&host, "analysis");
    dialog.Attach(KaisekiDlgView(&dialog, dlg), [&] { return dlg.Result(); }, [&] { dlg.OnCancel(); });
    dlg.OnInitDialog();
    dialog.panel()->Mirror();
    ExpectClearLayout(dialog.panel(), dialog.GetClientSize());
  }
  {
    SCOPED_TRACE("directory chooser");
    TDirectry dlg(ui_, HostDirectoryTree(), "caption");
    ModalLayoutDialog dialog(&host, "chooser");
    dialog.Attach(DirectryView(&dialog, dlg), [&] { return dlg.Result(); }, [&] { dlg.OnCancel(); });
    dlg.OnInitDialog();
    dialog.panel()->Mirror();
    ExpectClearLayout(dialog.panel(), dialog.GetClientSize());
  }
}

TEST_F(GuiTest, EscapeInAModalDialogIsItsCancel) {
  wxFrame host(nullptr, wxID_ANY, "host");
  SBNdtAry commands;
  TSabunKaisekiDlg analysis(ui_, menu_, commands);
  ModalLayoutDialog a(&host, "analysis");
  a.Attach(KaisekiDlgView(&a, analysis), [&] { return analysis.Result(); }, [&] { analysis.OnCancel(); });
  TDirectry chooser(ui_, HostDirectoryTree(), "caption");
  ModalLayoutDialog d(&host, "chooser");
  d.Attach(DirectryView(&d, chooser), [&] { return chooser.Result(); }, [&] { chooser.OnCancel(); });
  analysis.OnInitDialog();
  chooser.OnInitDialog();
  for (wxDialog* dialog : {static_cast<wxDialog*>(&a), static_cast<wxDialog*>(&d)}) {
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    escape.SetEventObject(dialog);
    dialog->ProcessWindowEvent(escape);
  }
  EXPECT_EQ(analysis.Result(), kIdCancel);
  EXPECT_EQ(chooser.Result(), kIdCancel);
}

TEST_F(GuiTest, TheMainWindowShowsTheWholeDialog) {
  for (ModeDialog mode : {ModeDialog::kCreate, ModeDialog::kImport}) {
    MainWindow* w = Open(mode, tmp_.path() + "none.kmd");
    ExpectClearLayout(w->panel(), w->GetClientSize());
    w->Destroy();
    window_ = nullptr;
  }
}

TEST_F(GuiTest, TheFramesCloseBoxIsTheDialogsCancel) {
  for (ModeDialog mode : {ModeDialog::kCreate, ModeDialog::kImport}) {
    SCOPED_TRACE(mode == ModeDialog::kCreate ? "creation" : "import");
    ui_.ended.clear();
    MainWindow* w = Open(mode, tmp_.path() + "none.kmd");
    // What the close box, Alt+F4 and the window manager send: a close the frame may refuse.
    EXPECT_TRUE(w->Close());
    const int resource = mode == ModeDialog::kCreate ? make_dlg::kResource : load_dlg::kResource;
    EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{resource, kIdCancel}}));
    EXPECT_EQ(mode == ModeDialog::kCreate ? w->makeDlg()->Result() : w->loadDlg()->Result(), kIdCancel);
    EXPECT_TRUE(w->rules().CloseRequested());
    EXPECT_TRUE(wxPendingDelete.Member(w));  // the frame goes, and with it the program
    window_ = nullptr;
    wxTheApp->ProcessIdle();
  }
}

TEST(HelpText, NamesEveryButtonOfItsDialogAsTheButtonReadsIt) {
  const std::pair<const DialogLayout*, int> dialogs[] = {{&MakeDlgLayout(), kHelpCreate},
                                                         {&LoadDlgLayout(), kHelpImport},
                                                         {&KaisekiDlgLayout(), kHelpAnalyse},
                                                         {&DirectryLayout(), kHelpBrowse}};
  for (const auto& [layout, context] : dialogs) {
    const std::string help = HelpText(context);
    for (std::size_t i = 0; i < layout->count; ++i) {
      const ControlLayout& c = layout->controls[i];
      if (c.kind != ControlKind::kButton) continue;
      std::string label;
      ASSERT_TRUE(Cp932ToUtf8(c.text, &label));
      if (const std::size_t mark = label.find("(&"); mark != std::string::npos) label.erase(mark);
      if (label == "ヘルプ") continue;
      EXPECT_NE(help.find(label), std::string::npos) << "help " << context << " does not name " << label;
    }
  }
}

TEST_F(GuiTest, HelpOpensAWindowWithTheTextOfItsContext) {
  using namespace make_dlg;
  for (int context : {kHelpBrowse, kHelpCreate, kHelpImport, kHelpAnalyse}) {
    ASSERT_NE(HelpText(context), nullptr) << context;
  }
  EXPECT_NE(std::string(HelpText(kHelpCreate)).find("追加 = >"), std::string::npos);
  EXPECT_NE(std::string(HelpText(kHelpImport)).find("削除 X"), std::string::npos);
  EXPECT_EQ(HelpText(999), nullptr);
  EXPECT_FALSE(ui_.ShowHelp(nullptr, 999));
  LayoutPanel* p = Open(ModeDialog::kCreate)->panel();
  const std::size_t before = wxTopLevelWindows.size();
  Click(p, kHelp);
  ASSERT_EQ(wxTopLevelWindows.size(), before + 1);
  wxWindow* help = wxTopLevelWindows.GetLast()->GetData();
  EXPECT_TRUE(help->IsShown());
  wxTextCtrl* text = nullptr;
  for (wxWindow* child : help->GetChildren()) {
    if (auto* t = dynamic_cast<wxTextCtrl*>(child)) text = t;
  }
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetValue(), wxString::FromUTF8(HelpText(kHelpCreate)));
  help->Destroy();
}

TEST_F(GuiTest, KeysActAsInAWindowsDialogAndHelpClosesWithEscape) {
  using namespace make_dlg;
  // Escape is 取消 in the creation window.
  MainWindow* w = Open(ModeDialog::kCreate);
  PressKey(w, WXK_ESCAPE);
  EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdCancel}}));
  w->Destroy();
  window_ = nullptr;
  wxTheApp->ProcessIdle();

  // Enter is the default button of the import window (読込開始: its question comes), but not while a
  // button has the focus, which takes Enter itself.
  const std::string diff = tmp_.path() + "u.kmd";
  SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "SALES.SST", "Sales", ""}};
  std::string comment;
  ASSERT_EQ(WriteDiffFile(diff, menu_, changes, &comment), 0);
  ui_.messages.clear();
  MainWindow* load = Open(ModeDialog::kImport, diff);
  // Into a directory that is not there: the import is refused at once, so nothing runs through.
  load->loadDlg()->controls().SetText(load_dlg::kTarget, tmp_.path() + "missing/");
  load->panel()->Mirror();
  load->panel()->Control(load_dlg::kCommands)->SetFocus();
  PressKey(load, WXK_RETURN);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind("\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xC9", 0), 0u);  // 差分取込に…

  // Help over a modal dialog is modal itself, above it, and Escape closes it.
  bool helpShown = false;
  ui_.onHelpShown = [&](wxDialog& help) {
    helpShown = true;
    EXPECT_TRUE(help.IsModal());
    PressKey(&help, WXK_ESCAPE);
  };
  auto* owner = new wxDialog(load, wxID_ANY, "owner");
  owner->CallAfter([&] {
    EXPECT_TRUE(ui_.ShowHelp(owner, kHelpAnalyse));
    owner->EndModal(wxID_CANCEL);
  });
  owner->ShowModal();
  owner->Destroy();
  EXPECT_TRUE(helpShown);
}

TEST_F(GuiTest, TheCommentFieldKeepsTo47BytesAndFileDialogsListBothCases) {
  using namespace make_dlg;
  LayoutPanel* p = Open(ModeDialog::kCreate)->panel();
  auto* comment = static_cast<wxTextCtrl*>(Find(p, kComment));
  // 46 letters, then a kanji typed at the end: it would end at the 48th byte, so it is not kept.
  Type(p, kComment, std::string(46, 'a'));
  comment->SetInsertionPointEnd();
  comment->WriteText(FromCp932("\x8D\xB7"));
  EXPECT_EQ(TextOf(p, kComment), std::string(46, 'a'));
  // 45 letters and the kanji fit exactly.
  Type(p, kComment, std::string(45, 'a'));
  comment->SetInsertionPointEnd();
  comment->WriteText(FromCp932("\x8D\xB7"));
  EXPECT_EQ(TextOf(p, kComment), std::string(45, 'a') + "\x8D\xB7");
  // Inside a full field, the change is refused: the end the user wrote stays.
  comment->SetInsertionPoint(10);
  comment->WriteText("Z");
  EXPECT_EQ(TextOf(p, kComment), std::string(45, 'a') + "\x8D\xB7");
  EXPECT_EQ(WxFileFilter("Diff (*.kmd)|*.kmd|All (*.*)|*.*|"), "Diff (*.kmd)|*.kmd;*.KMD|All (*.*)|*.*");
}

TEST_F(GuiTest, CommandListKeepsTheModelsOrder) {
  using namespace make_dlg;
  LayoutPanel* p = Open(ModeDialog::kCreate)->panel();
  auto* list = static_cast<wxListBox*>(Find(p, kCommands));
  EXPECT_FALSE(list->HasFlag(wxLB_SORT));
  EXPECT_FALSE(static_cast<wxListBox*>(Find(p, kMenus))->HasFlag(wxLB_SORT));
}

}  // namespace
}  // namespace quarvel

// A failed wx assertion ends the run instead of opening a modal box that would hang it.
static void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                         const wxString& msg) {
  std::fprintf(stderr, "wx assertion failed at %s:%d %s: %s %s\n", file.utf8_str().data(), line,
               func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
  std::_Exit(3);
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wxSetAssertHandler(FailOnAssert);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) return 2;
  wxLocale locale;  // as the program takes it: Japanese toolkit texts on a Japanese desktop
  quarvel::UseSystemLanguage(locale);
  wxTheApp->SetAppDisplayName("Quarvel test");
  wxTheApp->CallOnInit();
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
