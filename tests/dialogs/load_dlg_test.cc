#include "dialogs/load_dlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "dialogs/failure_causes.h"
#include "dialogs/load_dlg_layout.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/dir_lock.h"
#include "engine/import/import_journal.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/child_process.h"
#include "support/dialog_test_util.h"
#include "support/fake_dialog_services.h"
#include "support/fault_platform.h"
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

const std::string kTargetLine = "\x8E\xE6\x8D\x9E\x90\xE6: ";  // 取込先:
bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

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
  // The question names the directory; the completion says what changed.
  EXPECT_EQ(ui_.messages[0].text, kConfirm + "\n\n" + kTargetLine + target_);
  EXPECT_EQ(ui_.messages[0].caption, "\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E");  // 差分取込
  EXPECT_EQ(ui_.messages[0].style, kMbOkCancel);
  // \nﾌｧｲﾙ: 作成 1、削除 1
  EXPECT_EQ(ui_.messages[1].text, kImportDone + "\n\xCC\xA7\xB2\xD9: \x8D\xEC\x90\xAC 1\x81\x41\x8D\xED\x8F\x9C 1");
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
  // \nﾌｧｲﾙ: 作成 1\n文書: 追加・置換 2、削除 1\nﾗｲﾌﾞﾗﾘの再構築: 1
  ASSERT_EQ(ui_.messages.back().text,
            kImportDone + "\n\xCC\xA7\xB2\xD9: \x8D\xEC\x90\xAC 1\n\x95\xB6\x8F\x91: \x92\xC7\x89\xC1\x81\x45\x92\x75\x8A\xB7 2"
                          "\x81\x41\x8D\xED\x8F\x9C 1\n\xD7\xB2\xCC\xDE\xD7\xD8\x82\xCC\x8D\xC4\x8D\x5C\x92\x7A: 1");
  EXPECT_FALSE(Exists(target_ + "F.TXT"));
  ASSERT_EQ(ui_.copyTotals.size(), 1u);
  EXPECT_EQ(ui_.copyStoppable, (std::vector<bool>{false}));  // an import is never offered a stop
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
  std::string missing = tmp_.path() + "missing" + kDirSep;
  dlg_.controls().SetText(kTarget, missing);
  dlg_.OnImport();
  // Named at once, before any question.
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(StartsWith(ui_.messages[0].text, kImportError + "\n" + missing + "\n")) << ui_.messages[0].text;
  EXPECT_EQ(ui_.messages[0].caption, kImportTitle);
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_EQ(C().Text(kTarget), missing);
  EXPECT_TRUE(IsExcluded(dlg_.Commands()[0]));
  // Retried into the right directory, it succeeds.
  dlg_.controls().SetText(kTarget, target_);
  dlg_.OnImport();
  EXPECT_TRUE(StartsWith(ui_.messages.back().text, kImportDone));
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

TEST_F(LoadDlgTest, ADiffThatCannotBeReadSaysWhyOnOpeningAndCannotBeImported) {
  const std::string whole = ReadFile(diff_);
  const struct {
    std::string bytes;
    std::string cause;  // the line of the cause, then the entry where one is named
  } cases[] = {
      // 差分ﾌｧｲﾙではありません(または新しい版の差分ﾌｧｲﾙです)。
      {"garbage", "\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1("},
      // 最後のﾃﾞｰﾀの後に封印ではないﾃﾞｰﾀがあります。 (the seal is cut)
      {whole.substr(0, whole.size() - 3), "\x8D\xC5\x8C\xE3\x82\xCC\xC3\xDE\xB0\xC0\x82\xCC\x8C\xE3\x82\xC9\x95\x95\x88\xF3"},
  };
  for (const auto& c : cases) {
    WriteFile(diff_, c.bytes);
    FakeDialogServices ui;
    TSabunLoadDlg dlg(ui, diff_);
    dlg.OnInitDialog();
    ASSERT_EQ(ui.messages.size(), 1u);
    // 差分ﾌｧｲﾙを読み込めません。\nPATH\nCAUSE
    const std::string head = "\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42\n" + diff_ + "\n";
    EXPECT_TRUE(StartsWith(ui.messages[0].text, head + c.cause)) << ui.messages[0].text;
    EXPECT_FALSE(dlg.Controls().Enabled(kImport));
  }
}

TEST_F(LoadDlgTest, ADirectoryWithoutMenusIsAskedAboutAndAFailedStepSaysWhatAndWhere) {
  dlg_.OnInitDialog();
  // A directory that holds no menu or library: asked first, and nothing is done on Cancel.
  const std::string empty = tmp_.Sub("empty");
  dlg_.controls().SetText(kTarget, empty);
  ui_.messageAnswers = {kIdCancel};
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].text.find(empty), std::string::npos);
  EXPECT_EQ(ui_.messages[0].style, kMbOkCancel);
  EXPECT_FALSE(Exists(empty + "A.SST"));

  // A creation that fails: the system's message, the step and its file, and that nothing changed.
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.FailFrom(FaultOp::kWrite, 1);
  ui_.messages.clear();
  ui_.messageAnswers = {kIdOk, kIdOk};
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 3u);
  const std::string& text = ui_.messages[2].text;
  EXPECT_TRUE(StartsWith(text, kImportError + "\n")) << text;
  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘは変更していません。
  EXPECT_NE(text.find("\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xCD\x95\xCF\x8D\x58\x82\xB5\x82\xC4"), std::string::npos)
      << text;
  EXPECT_FALSE(Exists(empty + "A.SST"));
  EXPECT_TRUE(ui_.ended.empty());
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
  const bool held = lock.Take(job[0]) == ImportRefusal::kNone;
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

  // An import killed while it wrote F.TXT, which its journal names as its own: rolled back and said
  // so, with the file it removed, then the import runs.
  ImportJournal journal;
  journal.names = {{"F.TXT", "", "", false, true, {}, 4}};
  WriteFile(target_ + "F.TXT", "half");
  FileId made;
  ASSERT_EQ(Host().IdentifyName(target_ + "F.TXT", &made), 0);
  journal.names[0].madeKnown = true;
  journal.names[0].madeVolume = made.volume;
  journal.names[0].madeIndex = made.index;
  WriteFile(target_ + kJournalName, EncodeJournal(journal));
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_TRUE(StartsWith(ui_.messages[1].text, kRolledBack));
  EXPECT_NE(ui_.messages[1].text.find(": F.TXT"), std::string::npos) << ui_.messages[1].text;
  EXPECT_TRUE(StartsWith(ui_.messages[2].text, kImportDone));
  EXPECT_EQ(ReadFile(target_ + "F.TXT"), "text");
  EXPECT_FALSE(Exists(target_ + kJournalName));
  ui_.messages.clear();

  // A directory under the lock's name keeps an interrupted import from being finished: the lock is
  // named, not the journal that waits behind it.
  WriteFile(target_ + kJournalName, EncodeJournal(journal));
  ASSERT_TRUE(std::filesystem::create_directory(target_ + kLockName));
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 2u);
  ImportReport lockInTheWay;
  lockInTheWay.check = {ImportRefusal::kLockIsDirectory, -1};
  EXPECT_EQ(ui_.messages[1].text, kImportError + "\n" + ImportFailureCause(lockInTheWay, dlg_.Commands()));
  EXPECT_TRUE(Exists(target_ + kJournalName));
}

TEST_F(LoadDlgTest, LocalChangesAreListedAndImportedOverOnlyWhenTheUserAgrees) {
  // The diff was made against the target as it was; since then OLD.SST was edited there.
  const std::string old = tmp_.Sub("old");
  MenuDirBuilder(old).Menu("OLD.SST", "Old");
  const SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "A.SST", "Alpha", ""}, {kOpDelete, MenuFile, "OLD.SST", "Old", ""}};
  ASSERT_EQ(WriteDiffFile(diff_, source_, changes, nullptr, nullptr, WriteOptions{true, old}), 0);
  MenuDirBuilder(target_).Menu("OLD.SST", "Old", "edited here");
  dlg_.OnInitDialog();
  ui_.messageAnswers = {kIdOk, kIdCancel};
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 2u);
  // 差分を作った後にﾒﾆｭｰﾃﾞｨﾚｸﾄﾘで変更された項目があります。 / OLD.SST / 差分の元: N ﾊﾞｲﾄ ... / 取込先: ...
  const std::string& question = ui_.messages[1].text;
  EXPECT_TRUE(StartsWith(question, "\x8D\xB7\x95\xAA\x82\xF0\x8D\xEC\x82\xC1\x82\xBD")) << question;
  EXPECT_NE(question.find("\nOLD.SST\n  \x8D\xB7\x95\xAA\x82\xCC\x8C\xB3: " +
                          std::to_string(std::filesystem::file_size(old + "OLD.SST")) + " \xCA\xDE\xB2\xC4 "),
            std::string::npos)
      << question;
  EXPECT_NE(question.find("\n  \x8E\xE6\x8D\x9E\x90\xE6: "), std::string::npos) << question;
  EXPECT_EQ(question.back(), '?');
  EXPECT_EQ(ui_.messages[1].style, kMbOkCancel);
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_FALSE(Exists(target_ + "A.SST"));
  EXPECT_TRUE(Exists(target_ + "OLD.SST"));

  // Agreed to, the import goes over the change.
  ui_.messages.clear();
  ui_.messageAnswers = {kIdOk, kIdOk};
  dlg_.OnImport();
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_TRUE(StartsWith(ui_.messages[2].text, kImportDone)) << ui_.messages[2].text;
  EXPECT_TRUE(Exists(target_ + "A.SST"));
  EXPECT_FALSE(Exists(target_ + "OLD.SST"));
}

TEST(ConflictQuestion, NamesFiveEntriesWithBothStatesAndCountsTheRest) {
  SBNdtAry list;
  BaseCheck bases;
  for (int i = 0; i < 7; ++i) {
    list.push_back({kOpAddOrReplace, OtherFile, "F" + std::to_string(i) + ".CSV", "", ""});
    BaseConflict c;
    c.entry = i;
    c.base = {BaseKind::kFile, 12, MakeDosStamp(2025, 4, 1, 9, 0, 0), false, {}};
    c.found.kind = i == 0 ? BaseKind::kAbsent : BaseKind::kDocument;
    bases.conflicts.push_back(c);
  }
  list.push_back({kOpAddOrReplace, DocumentLibrary, "L.SSD", "lib", "DOC"});
  bases.conflicts[1].entry = 7;
  const std::string text = ConflictQuestion(bases, list);
  // F0.CSV / 差分の元: 12 ﾊﾞｲﾄ 2025-04-01 09:00:00 / 取込先: なし
  EXPECT_NE(text.find("\nF0.CSV\n  \x8D\xB7\x95\xAA\x82\xCC\x8C\xB3: 12 \xCA\xDE\xB2\xC4 2025-04-01 09:00:00\n"
                      "  \x8E\xE6\x8D\x9E\x90\xE6: \x82\xC8\x82\xB5\n"),
            std::string::npos)
      << text;
  // A document by its library and name; present: あり; two documents: あり(内容が違います).
  EXPECT_NE(text.find("\nL.SSD / DOC\n"), std::string::npos) << text;
  EXPECT_NE(text.find(": \x82\xA0\x82\xE8\n"), std::string::npos) << text;
  bases.conflicts[2].base.kind = BaseKind::kDocument;
  EXPECT_NE(ConflictQuestion(bases, list).find(": \x82\xA0\x82\xE8(\x93\xE0"), std::string::npos);
  EXPECT_EQ(text.find("F5.CSV"), std::string::npos);
  EXPECT_NE(text.find("\n\x82\xD9\x82\xA9 2 \x8C\x8F\n"), std::string::npos) << text;  // ほか 2 件
  EXPECT_EQ(AppliedLine(bases), "");
  bases.applied = {3, 4};
  EXPECT_EQ(AppliedLine(bases), "\n\x8A\xF9\x82\xC9\x8E\xE6\x82\xE8\x8D\x9E\x82\xDC\x82\xEA\x82\xC4\x82\xA2\x82\xBD\x8D\x80\x96\xDA: 2");
}

}  // namespace
}  // namespace quarvel
