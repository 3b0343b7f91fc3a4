#include "dialogs/load_dlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "dialog_test_util.h"
#include "dialogs/load_dlg_layout.h"
#include "engine/diff_writer.h"
#include "engine/dir_lock.h"
#include "engine/import_journal.h"
#include "fileio/fileio.h"
#include "sample/menu_dir_builder.h"
#include "support/child_process.h"
#include "support/fake_dialog_services.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

using namespace load_dlg;

const std::string kImportTitle = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8E\xE6\x8D\x9E";  // Velmo 差分ファイル取込
const std::string kConfirm =
    "\x8D\xB7\x95\xAA\x82\xCC\x8E\xE6\x8D\x9E\x82\xF0\x8AJ\x8En\x82\xB5\x82\xDC\x82\xB7\x81\x42\n"
    "\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81H";  // 差分の取込を開始します。\nよろしいですか？
const std::string kImportError =
    "\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xC9\x83G\x83\x89\x81[\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
    "\x81\x42";  // 差分取込にエラーが発生しました。
const std::string kImportDone =
    "\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";  // 差分取込が完了しました。

const std::string kRolledBack =
    "\x92\x86\x92\x66\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xBD\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xF0"
    "\x8C\xB3\x82\xC9\x96\xDF\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";  // 中断されていた差分取込を元に戻しました。
const std::string kAnotherImport =
    "\x91\xBC\x82\xCC\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xAA\x8E\xC0\x8Ds\x92\x86\x82\xC5\x82\xB7"
    "\x81\x42\n\x8FI\x97\xB9\x82\xB5\x82\xC4\x82\xA9\x82\xE7\x82\xE2\x82\xE8\x92\xBC\x82\xB5\x82\xC4"
    "\x89\xBA\x82\xB3\x82\xA2\x81\x42";  // 他の差分取込が実行中です。\n終了してからやり直して下さい。

class LoadDlgTest : public ::testing::Test {
 protected:
  LoadDlgTest() {
    MenuDirBuilder(source_).Menu("A.SST", "Alpha").File("F.TXT", "text");
    MenuDirBuilder(target_).Menu("OLD.SST", "Old");
    SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "A.SST", "Alpha", ""},
                        {kOpAddOrReplace, OtherFile, "F.TXT", "", ""},
                        {kOpDelete, MenuFile, "OLD.SST", "Old", ""}};
    std::string comment = "update";
    EXPECT_EQ(WriteDiffFile(diff_, source_, changes, &comment), 0);
    ui_.title = kImportTitle;
  }
  void PickLines(const std::vector<std::string>& texts) {
    ListControl& list = dlg_.controls().MutableList(kCommands);
    list.ClearSelection();
    for (const std::string& t : texts) list.SetSelected(LineOf(list, t), true);
  }
  const DialogControls& C() const { return dlg_.Controls(); }

  TempDir tmp_;
  std::string source_ = tmp_.Sub("src");
  std::string target_ = tmp_.Sub("target");
  std::string diff_ = tmp_.path() + "u.kmd";
  MenuDirScope scope_{target_};
  FakeDialogServices ui_;
  TSabunLoadDlg dlg_{ui_, diff_};
  const std::string lineA_ = kAddPrefix + kMenuLabel + "Alpha";
  const std::string lineF_ = kAddPrefix + kFileLabel + "F.TXT";
  const std::string lineOld_ = kDeletePrefix + kMenuLabel + "Old";
};

TEST_F(LoadDlgTest, StartUpShowsTheDiffAndTheCurrentMenuDirectory) {
  dlg_.OnInitDialog();
  EXPECT_EQ(C().Text(kDiffPath), diff_);
  EXPECT_EQ(C().Text(kDescription), "update");
  EXPECT_EQ(C().Text(kTarget), target_);
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{lineOld_, lineF_, lineA_}));  // "×" (0x81 0x7E) sorts first
}

TEST_F(LoadDlgTest, LeftOutCommandsKeepTheirPlaceAndAllComeBackAtOnce) {
  dlg_.OnInitDialog();
  dlg_.OnLeaveOut();  // nothing selected
  EXPECT_EQ(C().List(kCommands).Count(), 3);
  PickLines({lineF_});
  dlg_.OnLeaveOut();
  PickLines({lineOld_});
  dlg_.OnLeaveOut();  // a delete command is left out like any other
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{lineA_}));
  ASSERT_EQ(dlg_.Commands().size(), 3u);
  EXPECT_FALSE(IsExcluded(dlg_.Commands()[0]));
  EXPECT_TRUE(IsExcluded(dlg_.Commands()[1]));
  EXPECT_TRUE(IsExcluded(dlg_.Commands()[2]));
  EXPECT_EQ(dlg_.Commands()[2].op & ~kOpExcluded, kOpDelete);
  dlg_.OnTakeBack();
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{lineOld_, lineF_, lineA_}));  // "×" (0x81 0x7E) sorts first
  for (const SBNdt& c : dlg_.Commands()) EXPECT_FALSE(IsExcluded(c));
  EXPECT_EQ(dlg_.Commands()[2].op, kOpDelete);
}

TEST_F(LoadDlgTest, ImportSkipsLeftOutCommandsAndTakesATargetWithoutSeparator) {
  dlg_.OnInitDialog();
  PickLines({lineF_});
  dlg_.OnLeaveOut();
  dlg_.controls().SetText(kTarget, target_.substr(0, target_.size() - 1));
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0].text, kConfirm);
  EXPECT_EQ(ui_.messages[0].caption, "\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E");  // 差分取込
  EXPECT_EQ(ui_.messages[0].style, kMbOkCancel);
  EXPECT_EQ(ui_.messages[1].text, kImportDone);
  EXPECT_EQ(ui_.messages[1].caption, kImportTitle);
  EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdOk}}));
  EXPECT_TRUE(Exists(target_ + "A.SST"));
  EXPECT_FALSE(Exists(target_ + "OLD.SST"));
  EXPECT_FALSE(Exists(target_ + "F.TXT"));
}

TEST_F(LoadDlgTest, TheCopyAnnouncedBeforeImportingIsWhatTheImportCopies) {
  // The import copies the files it adds and rebuilds the library: the document it keeps, the one it
  // replaces and the one it adds. It copies nothing for the left-out file or the deleted document.
  MenuDirBuilder(source_).Library("L.SSD", "Lib", {{"REPL", "r", "replaced data"}, {"NEW", "n", "new"}});
  MenuDirBuilder(target_).Library("L.SSD", "Lib", {{"KEEP", "k", "kept bytes"}, {"REPL", "r", "old"},
                                                   {"DEL", "d", "deleted bytes"}});
  const std::string diff = tmp_.path() + "docs.kmd";
  SBNdtAry changes = {{kOpAddOrReplace, DocumentLibrary, "L.SSD", "Lib", "REPL"},
                      {kOpAddOrReplace, DocumentLibrary, "L.SSD", "Lib", "NEW"},
                      {kOpDelete, DocumentLibrary, "L.SSD", "Lib", "DEL"},
                      {kOpAddOrReplace, MenuFile, "A.SST", "Alpha", ""},
                      {kOpAddOrReplace, OtherFile, "F.TXT", "", ""}};
  std::string comment;
  ASSERT_EQ(WriteDiffFile(diff, source_, changes, &comment), 0);
  TSabunLoadDlg dlg(ui_, diff);
  dlg.OnInitDialog();
  ListControl& list = dlg.controls().MutableList(kCommands);
  list.SetSelected(LineOf(list, lineF_), true);
  dlg.OnLeaveOut();

  std::uint64_t copied = 0;
  SetCopyProgress([&](std::uint64_t bytes) { copied += bytes; });
  dlg.OnImport();
  SetCopyProgress(nullptr);
  ASSERT_EQ(ui_.messages.back().text, kImportDone);
  EXPECT_FALSE(Exists(target_ + "F.TXT"));
  ASSERT_EQ(ui_.copyTotals.size(), 1u);
  EXPECT_GT(copied, 0u);
  EXPECT_EQ(ui_.copyTotals[0], copied);
  EXPECT_EQ(ui_.copyDepth, 0);
}

TEST_F(LoadDlgTest, AnsweringCancelDoesNothing) {
  dlg_.OnInitDialog();
  ui_.messageAnswers.push_back(kIdCancel);
  dlg_.OnImport();
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(Exists(target_ + "OLD.SST"));
  EXPECT_FALSE(Exists(target_ + "A.SST"));
  EXPECT_TRUE(ui_.ended.empty());
}

TEST_F(LoadDlgTest, AFailedImportStaysOpenWithMarksAndTargetKept) {
  dlg_.OnInitDialog();
  PickLines({lineA_});
  dlg_.OnLeaveOut();
  std::string missing = tmp_.path() + "missing/";
  dlg_.controls().SetText(kTarget, missing);
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text, kImportError);
  EXPECT_EQ(ui_.messages[1].caption, kImportTitle);
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_EQ(C().Text(kTarget), missing);
  EXPECT_TRUE(IsExcluded(dlg_.Commands()[0]));
  // Retried into the right directory, it succeeds.
  dlg_.controls().SetText(kTarget, target_);
  dlg_.OnImport();
  EXPECT_EQ(ui_.messages.back().text, kImportDone);
  EXPECT_FALSE(Exists(target_ + "A.SST"));
  EXPECT_TRUE(Exists(target_ + "F.TXT"));
}

TEST_F(LoadDlgTest, AnEmptyTargetIsRefusedBeforeAnythingIsAsked) {
  dlg_.OnInitDialog();
  dlg_.controls().SetText(kTarget, "");
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2");  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘを選択して下さい
  EXPECT_TRUE(ui_.ended.empty());
}

TEST_F(LoadDlgTest, AnUnreadableDiffOpensEmptyAndItsImportFails) {
  WriteFile(diff_, "garbage");
  dlg_.OnInitDialog();
  EXPECT_EQ(C().Text(kDescription), "");
  EXPECT_EQ(C().List(kCommands).Count(), 0);
  EXPECT_TRUE(ui_.messages.empty());
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text, kImportError);
  EXPECT_TRUE(Exists(target_ + "OLD.SST"));
}

TEST_F(LoadDlgTest, BrowseSetsOnlyTheTarget) {
  dlg_.OnInitDialog();
  dlg_.OnBrowse();  // cancelled
  EXPECT_EQ(C().Text(kTarget), target_);
  ui_.browseAnswers.push_back(source_);
  dlg_.OnBrowse();
  EXPECT_EQ(ui_.browseCaptions[0], kMenuDirCaption);
  EXPECT_EQ(C().Text(kTarget), source_);
  EXPECT_EQ(Env().GL_sys_dir, target_);
  dlg_.OnHelp();
  EXPECT_EQ(ui_.helpContexts, (std::vector<int>{kHelpImport}));
}

}  // namespace
}  // namespace quarvel

namespace quarvel {
namespace {

// Waits up to a minute for one of the files to appear; the one that did, or "".
std::string AwaitFile(const std::string& path, const std::string& other = "") {
  for (int i = 0; i < 6000; ++i) {
    for (const std::string& p : {path, other}) {
      if (!p.empty() && std::filesystem::exists(p)) return p;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

// The other process: {menu directory, signal directory}. Holds the directory's lock, says so with the
// file "held" (or "refused") in the signal directory, and lets go once "go" stands there.
int HoldLockMain(const ChildJob& job) {
  if (job.size() != 2) return 2;
  DirLock lock;
  const bool held = lock.Take(job[0]) == DiffFault::kNone;
  std::FILE* f = std::fopen((job[1] + (held ? "held" : "refused")).c_str(), "wb");
  if (f == nullptr || std::fclose(f) != 0) return 3;
  return AwaitFile(job[1] + "go").empty() ? 4 : 0;
}

CHILD_PROCESS_ENTRY(LoadDlgChild, HoldLockMain);

TEST_F(LoadDlgTest, AnInterruptedImportIsFinishedFirstAndARunningOneRefusesTheImport) {
  dlg_.OnInitDialog();
  dlg_.controls().SetText(kTarget, target_);
  // Another process holds the directory: nothing is imported, and the user is told why.
  const std::string signals = tmp_.Sub("signals");
  ChildProcess holder;
  ASSERT_TRUE(holder.Start("LoadDlgChild", HoldLockMain, {target_, signals}));
  ASSERT_EQ(AwaitFile(signals + "held", signals + "refused"), signals + "held");
  dlg_.OnImport();
  std::FILE* go = std::fopen((signals + "go").c_str(), "wb");
  ASSERT_NE(go, nullptr);
  std::fclose(go);
  EXPECT_EQ(holder.Wait(), 0);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text, kAnotherImport);
  EXPECT_FALSE(Exists(target_ + "A.SST"));
  EXPECT_TRUE(ui_.ended.empty());
  ui_.messages.clear();

  // An import killed while it staged F.TXT: rolled back and said so, then the import runs.
  ImportJournal journal;
  journal.names = {{"F.TXT", "", "", false, true, {}, 4}};
  WriteFile(target_ + "F.TXT", "half");
  WriteFile(target_ + kJournalName, EncodeJournal(journal));
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_EQ(ui_.messages[1].text, kRolledBack);
  EXPECT_EQ(ui_.messages[2].text, kImportDone);
  EXPECT_EQ(ReadFile(target_ + "F.TXT"), "text");
  EXPECT_FALSE(Exists(target_ + kJournalName));
}

}  // namespace
}  // namespace quarvel
