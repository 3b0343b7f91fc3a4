#include <gtest/gtest.h>

#include "app/entry.h"
#include "app/main_frame.h"
#include "app/registration.h"
#include "platform/registry_values.h"
#include "support/fake_dialog_services.h"

namespace quarvel {
namespace {

const std::string kTitleCreate = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8D\xEC\x90\xAC";  // Velmo 差分ファイル作成
const std::string kTitleImport = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8E\xE6\x8D\x9E";  // Velmo 差分ファイル取込

class RecordingHost : public EntryHost {
 public:
  void RegisterServer() override { ++registrations; }
  int Run(const EntryPlan& plan) override {
    runs.push_back(plan);
    return 5;
  }
  int registrations = 0;
  std::vector<EntryPlan> runs;
};

TEST(Entry, TheCommandLineChoosesModeTitleAndRegistration) {
  RecordingHost create;
  EXPECT_EQ(RunEntry({"quarvel"}, "", create), 5);
  EXPECT_EQ(create.registrations, 1);
  ASSERT_EQ(create.runs.size(), 1u);
  EXPECT_EQ(create.runs[0].title, kTitleCreate);
  EXPECT_EQ(create.runs[0].dialog, ModeDialog::kCreate);

  RecordingHost import;
  EXPECT_EQ(RunEntry({"quarvel", "/d/u.kmd"}, "/d/u.kmd", import), 5);
  EXPECT_EQ(import.registrations, 0);
  ASSERT_EQ(import.runs.size(), 1u);
  EXPECT_EQ(import.runs[0].title, kTitleImport);
  EXPECT_EQ(import.runs[0].dialog, ModeDialog::kImport);
  EXPECT_EQ(import.runs[0].diffPath, "/d/u.kmd");

  RecordingHost reg;
  EXPECT_EQ(RunEntry({"quarvel", "/RegServer"}, "/RegServer", reg), 0);
  EXPECT_EQ(reg.registrations, 1);
  EXPECT_TRUE(reg.runs.empty());

  RecordingHost lower;  // exact case only: taken as a diff path
  RunEntry({"quarvel", "/regserver"}, "/regserver", lower);
  EXPECT_EQ(lower.registrations, 0);
  ASSERT_EQ(lower.runs.size(), 1u);
  EXPECT_EQ(lower.runs[0].diffPath, "/regserver");

  // Several arguments: import mode with the whole argument text, quotes and all.
  EntryPlan many = PlanEntry({"quarvel", "a b", "c"}, "\"a b\" c");
  EXPECT_EQ(many.title, kTitleImport);
  EXPECT_EQ(many.diffPath, "\"a b\" c");
  EXPECT_FALSE(many.registerOnly);

  // The shell's registered command passes "%1": one quoted token is the path without its quotes.
  const struct {
    std::string text, path;
  } shell[] = {
      {"\"C:\\Menu Files\\u.kmd\"", "C:\\Menu Files\\u.kmd"},
      {"\"C:\\\x8D\xB7\x95\xAA \x95\x5C.kmd\"", "C:\\\x8D\xB7\x95\xAA \x95\x5C.kmd"},  // 差分 表.kmd
      {"\"\"", ""},
      {"\"a\" \"b\"", "\"a\" \"b\""},  // two tokens: the whole text
      {"\"a\"b\"", "\"a\"b\""},      // a quote inside
      {"\"", "\""},
      {"\"a", "\"a"},
      {"a\"", "a\""},
  };
  for (const auto& c : shell) {
    const EntryPlan plan = PlanEntry({"quarvel", c.path}, c.text);
    EXPECT_EQ(plan.dialog, ModeDialog::kImport) << c.text;
    EXPECT_EQ(plan.diffPath, c.path) << c.text;
  }
  // A file whose name holds the quotes itself (POSIX passes it as it is): nothing is dropped.
  EXPECT_EQ(PlanEntry({"quarvel", "\"u.kmd\""}, "\"u.kmd\"").diffPath, "\"u.kmd\"");
}

TEST(Entry, MessagesWithoutCaptionCarryTheModesTitle) {
  FakeDialogServices ui;
  UiServices* previous = SetUiServices(&ui);
  RecordingHost host;
  RunEntry({"quarvel", "x.kmd"}, "x.kmd", host);
  ShowMessage(nullptr, "text", "", kMbOk);
  RunEntry({"quarvel"}, "", host);
  ShowMessage(nullptr, "text", "", kMbOk);
  SetUiServices(previous);
  SetApplicationTitle("Quarvel");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].caption, kTitleImport);
  EXPECT_EQ(ui.messages[1].caption, kTitleCreate);
}

TEST(Entry, ShowStateIsNeverMaximised) {
  EXPECT_EQ(MainWindowShowState(0), 0);
  EXPECT_EQ(MainWindowShowState(7), 7);
  for (int s : {1, 2, 3, 4, 5, 6, 8, 9, 10, 11}) EXPECT_EQ(MainWindowShowState(s), 1) << s;
}

TEST(MainFrame, SetUpAddsThirtyPixelsThenCentres) {
  WindowRect placed = SetUpFrame({5, 6, 600, 370}, 1024, 768);
  EXPECT_EQ(placed.x, 212);
  EXPECT_EQ(placed.y, 184);
  EXPECT_EQ(placed.width, 600);
  EXPECT_EQ(placed.height, 400);
  WindowRect wide = CenterOnScreen({0, 0, 1500, 900}, 1024, 768);
  EXPECT_EQ(wide.x, 0);
  EXPECT_EQ(wide.y, 0);
  EXPECT_EQ(CenterOnScreen({0, 0, 1023, 100}, 1024, 768).x, 0);  // max(1, 1) / 2

  TSDIDecFrame frame;
  EXPECT_FALSE(frame.CloseRequested());
  frame.OnClientClosed();
  EXPECT_TRUE(frame.CloseRequested());
}

TEST(Registration, ScriptHoldsBothListsWithTheDefaultItem) {
  std::string script, failed;
  ASSERT_EQ(BuildRegistrationScript(ApplicationRegistration(), DocumentRegistration(), &script, &failed), 0);
  const std::string app = "Velmora \x8D\xB7\x95\xAA \x83\x63\x81[\x83\x8B";  // Velmora 差分 ツール
  const std::string id = kQuarvelClassId;
  EXPECT_EQ(script,
            "REGEDIT\n"
            "ZELT.Application.1\\clsid = " + id + "\n"
            "ZELT.Application.1\\progid = ZELT.Application.1\n"
            "ZELT.Application.1\\description = " + app + "\n"
            "ZELT.Application.1\\appname = " + app + "\n"
            "ZELT.Application.1\\cmdline = \n"
            "ZELT Document.1\\description = Velmo\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\n"
            "ZELT Document.1\\iconindex = 1\n"
            "ZELT Document.1\\extension = kmd\n"
            "ZELT Document.1\\docfilter = *.kmd\n"
            "ZELT Document.1\\clsid = " + id + "\n"
            "ZELT Document.1\\progid = ZELT Document.1\n"
            "ZELT Document.1\\docflags = 1277165570\n"
            "ZELT Document.1\\appname = " + app + "\n");
}

TEST(Registration, AFailingKeyIsNamedAndNothingIsApplied) {
  RegistrationList doc = DocumentRegistration();
  doc.push_back({"evil", "x\n[HKEY_LOCAL_MACHINE]"});
  std::string script = "untouched", failed;
  EXPECT_EQ(BuildRegistrationScript(ApplicationRegistration(), doc, &script, &failed), -1);
  EXPECT_EQ(failed, "evil");
  EXPECT_EQ(script, "untouched");

  FakeDialogServices ui;
  std::vector<std::string> applied;
  EXPECT_EQ(RegisterServer(ui, [&](const std::string& s) {
              applied.push_back(s);
              return 0;
            }),
            0);
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0].rfind("REGEDIT\n", 0), 0u);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(RegisterServer(ui, [](const std::string&) { return -1; }), -1);
  EXPECT_TRUE(ui.messages.empty());

  applied.clear();
  EXPECT_EQ(RegisterServer(ui, [&](const std::string& s) {
              applied.push_back(s);
              return 0;
            }, ApplicationRegistration(), doc),
            -1);
  EXPECT_TRUE(applied.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "evil");
  EXPECT_EQ(ui.messages[0].caption, "Quarvel");
  EXPECT_EQ(ui.messages[0].style, kMbOk);
}

}  // namespace
}  // namespace quarvel

namespace quarvel {
namespace {

TEST(Registration, TheScriptGivesTheRegistryValuesOfTheDiffType) {
  std::string script, failed;
  ASSERT_EQ(BuildRegistrationScript(ApplicationRegistration(), DocumentRegistration(), &script, &failed), 0);
  // A program path whose kanji ends in the byte of a backslash (表 is 0x95 0x5C).
  const std::string program = "C:\\\x95\x5C\\quarvel.exe";
  RegistryValueList values;
  ASSERT_EQ(RegistryValuesOfScript(script, program, &values), 0);
  auto data = [&](const std::string& key) {
    for (const RegistryValue& v : values) {
      if (v.key == key && v.name.empty()) return v.data;
    }
    return std::string("(none)");
  };
  const std::string quoted = "\"" + program + "\"";
  const std::string id = kQuarvelClassId;
  EXPECT_EQ(data(".kmd"), "ZELT Document.1");
  EXPECT_EQ(data("ZELT Document.1"), "Velmo\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9");
  EXPECT_EQ(data("ZELT Document.1\\CLSID"), id);
  EXPECT_EQ(data("ZELT Document.1\\DefaultIcon"), quoted + ",1");
  EXPECT_EQ(data("ZELT Document.1\\shell\\open\\command"), quoted + " \"%1\"");
  EXPECT_EQ(data("ZELT.Application.1\\CLSID"), id);
  EXPECT_EQ(data("CLSID\\" + id + "\\ProgID"), "ZELT.Application.1");
  EXPECT_EQ(data("CLSID\\" + id + "\\LocalServer32"), quoted);
  EXPECT_EQ(data(".ZELT.Application.1"), "(none)");  // the application's list names no extension

  // An identifier with a trail byte 0x5C is split at its real separator only.
  ASSERT_EQ(RegistryValuesOfScript("REGEDIT\n\x95\x5C" "A\\extension = x\n", program, &values), 0);
  EXPECT_EQ(data(".x"), "\x95\x5C" "A");

  values = {{"kept", "", ""}};
  EXPECT_EQ(RegistryValuesOfScript("not a script", program, &values), -1);
  EXPECT_EQ(RegistryValuesOfScript("REGEDIT\nno separator here\n", program, &values), -1);
  EXPECT_EQ(RegistryValuesOfScript("REGEDIT\n\\key = value\n", program, &values), -1);
  EXPECT_EQ(values.size(), 1u);
}

}  // namespace
}  // namespace quarvel
