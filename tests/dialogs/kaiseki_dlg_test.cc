#include "dialogs/kaiseki_dlg.h"

#include <gtest/gtest.h>

#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/read_failure_message.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "platform/text.h"
#include "sample/menu_dir_builder.h"
#include "support/dialog_test_util.h"
#include "support/fake_dialog_services.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

using namespace kaiseki_dlg;

constexpr std::uint32_t kStamp = (20513u << 16) | 24576u;  // 2020-01-01 12:00:00
const std::string kSameDir =
    "\x88\xE1\x82\xA4\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2";  // 違うﾃﾞｨﾚｸﾄﾘを選択して下さい
const std::string kNoOldDir =
    "\x8B\x8C\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x89\xBA\x82\xB3"
    "\x82\xA2";  // 旧ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘを選択して下さい

class KaisekiDlgTest : public ::testing::Test {
 protected:
  KaisekiDlgTest() {
    MenuDirBuilder(current_).Menu("A.SST", "a", "", kStamp).Menu("B.SST", "b", "", kStamp).File("X.CSV", "x");
    MenuDirBuilder(old_).Menu("A.SST", "a", "", kStamp);
    dlg_.OnInitDialog();
  }
  void Run(const std::string& oldDir) {
    dlg_.controls().SetText(kOldDir, oldDir);
    dlg_.OnRun();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const SBNdt& c : commands_) names.push_back(c.name);
    return names;
  }

  TempDir tmp_;
  std::string current_ = tmp_.Sub("cur");
  std::string old_ = tmp_.Sub("old");
  FakeDialogServices ui_;
  SBNdtAry commands_ = {{kOpAddOrReplace, MenuFile, "KEPT.SST", "kept", ""}};
  TSabunKaisekiDlg dlg_{ui_, current_, commands_};
};

TEST_F(KaisekiDlgTest, StartsFromTheCurrentDirectoryAndEveryExtension) {
  EXPECT_EQ(dlg_.Controls().Text(kOldDir), current_);
  EXPECT_EQ(dlg_.Controls().Text(kExtensions), "*");
}

TEST_F(KaisekiDlgTest, RefusesAnEmptyOrTheCurrentDirectoryAndStaysOpen) {
  std::string noSeparator = current_.substr(0, current_.size() - 1);
  const std::pair<std::string, std::string> cases[] = {
      {"", kNoOldDir},
      {current_, kSameDir},                       // "実行" pressed at once
      {noSeparator, kSameDir},                    // the separator is added before comparing
      {SjisAsciiUpper(noSeparator), kSameDir},    // letter case is ignored
  };
  for (const auto& [typed, message] : cases) {
    SCOPED_TRACE(typed);
    ui_.messages.clear();
    Run(typed);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, message);
    EXPECT_EQ(ui_.messages[0].caption, ui_.title);
    EXPECT_EQ(dlg_.Result(), 0);
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT.SST"}));
  EXPECT_TRUE(ui_.ended.empty());
}

// An old directory that cannot be read would make every current file "new": the dialog says which
// directory and why, stays open, and the command list stays as it was.
TEST_F(KaisekiDlgTest, AnOldDirectoryThatCannotBeReadIsNamedAndChangesNothing) {
  const std::string missing = tmp_.path() + "typo" + kDirSep;
  Run(missing);
  ASSERT_EQ(ui_.messages.size(), 1u);
  const std::string& text = ui_.messages[0].text;
  EXPECT_EQ(text, ReadFailureMessage({missing, kPlatformNotFound}));
  EXPECT_NE(text.find(missing), std::string::npos);
  EXPECT_EQ(dlg_.Result(), 0);
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT.SST"}));
  // Denied: the cause differs, the rest is the same.
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.FailListingsOf(old_, kPlatformDenied);
  ui_.messages.clear();
  Run(old_);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, ReadFailureMessage({old_, kPlatformDenied}));
  EXPECT_NE(ReadFailureMessage({old_, kPlatformDenied}), ReadFailureMessage({old_, kPlatformNotFound}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT.SST"}));
}

// A changed library that does not read as one (here the current copy, cut in half) would have its
// changes passed for none: the dialog names the file and says in Japanese that it is no readable
// library, stays open, and the command list stays as it was.
TEST_F(KaisekiDlgTest, AChangedLibraryThatDoesNotReadIsNamedWithItsCause) {
  const std::string good = LibraryBytes("lib", {{"D1", "", std::string(200, 'a')}, {"D2", "", "b"}});
  MenuDirBuilder(current_).File("DOCS.SSD", good.substr(0, good.size() / 2), kStamp);
  MenuDirBuilder(old_).File("DOCS.SSD", good, kStamp + 1);  // two seconds later
  Run(old_);
  ASSERT_EQ(ui_.messages.size(), 1u);
  // ﾌｧｲﾙを読み込めません。 the path, then 書類ﾗｲﾌﾞﾗﾘとして読めません。ﾗｲﾌﾞﾗﾘでないか、見出しか索引が壊れています。
  const std::string want =
      "\xCC\xA7\xB2\xD9\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42\n" + current_ +
      "DOCS.SSD\n"
      "\x8F\x91\x97\xDE\xD7\xB2\xCC\xDE\xD7\xD8\x82\xC6\x82\xB5\x82\xC4\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1"
      "\x81\x42\xD7\xB2\xCC\xDE\xD7\xD8\x82\xC5\x82\xC8\x82\xA2\x82\xA9\x81\x41\x8C\xA9\x8F\x6F\x82\xB5\x82\xA9"
      "\x8D\xF5\x88\xF8\x82\xAA\x89\xF3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81\x42";
  EXPECT_EQ(ui_.messages[0].text, want);
  EXPECT_EQ(ui_.messages[0].text, ReadFailureMessage({current_ + "DOCS.SSD", kReadNotLibrary}));
  EXPECT_NE(ReadFailureMessage({current_ + "DOCS.SSD", kReadNotLibrary}),
            ReadFailureMessage({current_ + "DOCS.SSD", kPlatformFailed}));
  EXPECT_EQ(dlg_.Result(), 0);
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT.SST"}));
}

TEST_F(KaisekiDlgTest, AnOldDirectoryTypedWithoutSeparatorReachesTheAnalysisWithOne) {
  // The list holds a command picked by hand: replacing it is asked first, and Cancel keeps it.
  ui_.messageAnswers = {kIdCancel};
  Run(old_.substr(0, old_.size() - 1));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].style, kMbOkCancel);
  EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT.SST"}));
  EXPECT_TRUE(ui_.ended.empty());
  Run(old_.substr(0, old_.size() - 1));
  EXPECT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(dlg_.Result(), kIdOk);
  EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdOk}}));
  // Only what the old copy lacks: A.SST was found there.
  EXPECT_EQ(Names(), (std::vector<std::string>{"B.SST", "X.CSV"}));
}

TEST_F(KaisekiDlgTest, AStoppedAnalysisChangesNothingAndStaysOpen) {
  ui_.onCopyWork = [] { RequestCopyStop(true); };  // キャンセル in the progress window
  Run(old_);
  EXPECT_EQ(ui_.copyStoppable, (std::vector<bool>{true}));
  ASSERT_EQ(ui_.messages.size(), 1u);
  // 差分解析を中止しました。…
  EXPECT_EQ(ui_.messages[0].text.rfind("\x8D\xB7\x95\xAA\x89\xF0\x90\xCD\x82\xF0\x92\x86\x8E\x7E", 0), 0u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT.SST"}));
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_FALSE(CopyStopRequested());
}

TEST_F(KaisekiDlgTest, AnEmptyExtensionListComparesOnlyTheProductsFiles) {
  dlg_.controls().SetText(kExtensions, "");
  Run(old_);
  EXPECT_EQ(Names(), (std::vector<std::string>{"B.SST"}));
}

TEST_F(KaisekiDlgTest, CancelAndACancelledBrowseChangeNothing) {
  dlg_.OnBrowse();
  ASSERT_EQ(ui_.browseCaptions.size(), 1u);
  EXPECT_EQ(ui_.browseCaptions[0], "\x8B\x8C" + kMenuDirCaption);  // 旧ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘ選択
  EXPECT_EQ(ui_.browseStarts[0], current_);
  EXPECT_EQ(dlg_.Controls().Text(kOldDir), current_);
  dlg_.OnCancel();
  EXPECT_EQ(dlg_.Result(), kIdCancel);
  EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT.SST"}));
}

TEST_F(KaisekiDlgTest, ABrowsedDirectoryGetsItsSeparator) {
  ui_.browseAnswers.push_back(old_.substr(0, old_.size() - 1));
  dlg_.OnBrowse();
  EXPECT_EQ(dlg_.Controls().Text(kOldDir), old_);
  dlg_.OnHelp();
  EXPECT_EQ(ui_.helpContexts, (std::vector<int>{kHelpAnalyse}));
}

}  // namespace
}  // namespace quarvel
