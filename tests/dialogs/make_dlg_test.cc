#include "dialogs/make_dlg.h"

#include <gtest/gtest.h>

#include "dialogs/kaiseki_dlg.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "dialogs/read_failure_message.h"
#include "sample/menu_dir_builder.h"
#include "support/dialog_test_util.h"
#include "support/fault_platform.h"
#include "support/fake_dialog_services.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

using namespace make_dlg;

class MakeDlgTest : public ::testing::Test {
 protected:
  MakeDlgTest() {
    MenuDirBuilder(menu_)
        .Menu("SALES.SST", "Sales")
        .Menu("ORDERS.SST", "Orders")
        .Library("DOCS.SSD", "Documents", {{"QUOTE", "q", "qq"}, {"!NOTE", "n", "nn"}})
        .Library("ARCH.SSD", "Archive", {})
        .Menu("BAD.SST", "Broken")
        .Library("COMMON.SSV", "Shared", {})
        .File("DATA.CSV", "1,2")
        .File("README.TXT", "r")
        .File("data.ssv", "x")
        .File("OLD.SSM", "x")
        .File("A.B.SST", "x")
        .File("NOEXT", "x");
  }
  // Makes the user click a line, then forwards the list's notification.
  void Pick(int id, int index) {
    dlg_.controls().MutableList(id).Select(index);
    Notify(id);
  }
  void Notify(int id) {
    if (id == kMenus) dlg_.OnMenuSelChange();
    if (id == kLibraries) dlg_.OnLibrarySelChange();
    if (id == kCommons) dlg_.OnCommonSelChange();
    if (id == kCommands) dlg_.OnCommandSelChange();
  }
  void PickCommands(std::vector<int> lines) {
    ListControl& list = dlg_.controls().MutableList(kCommands);
    list.ClearSelection();
    for (int line : lines) list.SetSelected(line, true);
    dlg_.OnCommandSelChange();
  }
  const DialogControls& C() const { return dlg_.Controls(); }

  TempDir tmp_;
  std::string menu_ = tmp_.Sub("menu");
  MenuDirScope scope_{menu_};
  FakeDialogServices ui_;
  TSabunMakeDlg dlg_{ui_};
};

TEST_F(MakeDlgTest, StartUpFillsEveryListAndHidesThePlaceholders) {
  dlg_.OnInitDialog();
  EXPECT_EQ(C().Text(kMenuDir), menu_);
  EXPECT_EQ(C().Text(kDiffPath), "");
  EXPECT_EQ(C().Text(kComment), "");
  EXPECT_EQ(C().Text(kMask), "*.*");
  EXPECT_EQ(C().Text(kDescription), "");
  EXPECT_FALSE(C().Enabled(kRemove));
  // Sorted by the bytes of the text; the menu list's first line is selected.
  EXPECT_EQ(C().List(kMenus).Texts(), (std::vector<std::string>{"Broken", "Orders", "Sales"}));
  EXPECT_EQ(C().List(kMenus).CurSel(), 0);
  EXPECT_EQ(C().List(kLibraries).Texts(), (std::vector<std::string>{"Archive", "Documents"}));
  EXPECT_EQ(C().List(kCommons).Texts(), (std::vector<std::string>{"Shared"}));
  EXPECT_EQ(C().List(kCommons).CurSel(), -1);
  // The stem shown matches the visible menu list, not the library chosen behind it.
  EXPECT_EQ(C().Text(kStem), "BAD");
  EXPECT_EQ(ui_.waitDepth, 0);
  EXPECT_GT(ui_.waitCalls, 0);
}

TEST_F(MakeDlgTest, EachTabShowsItsControlsAnd903FollowsTheVisibleList) {
  dlg_.OnInitDialog();
  struct Row {
    int tab;
    bool stem, menus, libs, docs, commons, others, mask;
    std::string stemText;
  };
  // The common list has no selection, so 903 is empty there; the library tab runs the library choice.
  const Row rows[] = {
      {TSabunMakeDlg::kTabLibraries, true, false, true, true, false, false, false, "ARCH"},
      {TSabunMakeDlg::kTabCommons, true, false, false, false, true, false, false, ""},
      {TSabunMakeDlg::kTabOthers, false, false, false, false, false, true, true, ""},
      {TSabunMakeDlg::kTabMenus, true, true, false, false, false, false, false, "BAD"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.tab);
    dlg_.OnTabChanged(r.tab);
    EXPECT_EQ(dlg_.CurrentTab(), r.tab);
    EXPECT_EQ(C().Visible(kStem), r.stem);
    EXPECT_EQ(C().Visible(kStemLabel), r.stem);
    EXPECT_EQ(C().Visible(kMenus), r.menus);
    EXPECT_EQ(C().Visible(kLibraries), r.libs);
    EXPECT_EQ(C().Visible(kDocuments), r.docs);
    EXPECT_EQ(C().Visible(kCommons), r.commons);
    EXPECT_EQ(C().Visible(kOthers), r.others);
    EXPECT_EQ(C().Visible(kMask), r.mask);
    EXPECT_EQ(C().Visible(kSearch), r.mask);
    EXPECT_TRUE(C().Visible(kCommands));
    EXPECT_TRUE(C().Visible(kAdd));
    if (r.stem) {
      EXPECT_EQ(C().Text(kStem), r.stemText);
    }
  }
  dlg_.OnTabChanged(TSabunMakeDlg::kTabCommons);
  Pick(kCommons, 0);
  EXPECT_EQ(C().Text(kStem), "COMMON");
  dlg_.OnTabChanged(TSabunMakeDlg::kTabMenus);
  Pick(kMenus, 2);
  EXPECT_EQ(C().Text(kStem), "SALES");
}

TEST_F(MakeDlgTest, AddingTheSameMenuTwiceGivesTwoCommandsThatOneRemoveTakesBoth) {
  dlg_.OnInitDialog();
  Pick(kMenus, 2);  // Sales
  dlg_.OnAdd();
  dlg_.OnAdd();
  ASSERT_EQ(dlg_.Commands().size(), 2u);
  for (const SBNdt& c : dlg_.Commands()) {
    EXPECT_EQ(c.op, kOpAddOrReplace);
    EXPECT_EQ(c.type, MenuFile);
    EXPECT_EQ(c.name, "SALES.SST");
    EXPECT_EQ(c.title, "Sales");
  }
  std::string line = kAddPrefix + kMenuLabel + "Sales";
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{line, line}));
  Pick(kMenus, 1);  // Orders, kept after the removal
  dlg_.OnAdd();
  int orders = LineOf(C().List(kCommands), kAddPrefix + kMenuLabel + "Orders");
  ASSERT_GE(orders, 0);
  std::vector<int> sales;
  for (int i = 0; i < C().List(kCommands).Count(); ++i) {
    if (i != orders) sales.push_back(i);
  }
  PickCommands(sales);
  EXPECT_TRUE(C().Enabled(kRemove));
  dlg_.OnRemove();
  ASSERT_EQ(dlg_.Commands().size(), 1u);
  EXPECT_EQ(dlg_.Commands()[0].name, "ORDERS.SST");
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{kAddPrefix + kMenuLabel + "Orders"}));
  EXPECT_EQ(C().List(kCommands).Item(0).data, 0u);
  EXPECT_FALSE(C().Enabled(kRemove));
  dlg_.OnRemove();  // nothing selected: nothing happens
  EXPECT_EQ(dlg_.Commands().size(), 1u);
}

TEST_F(MakeDlgTest, AllDocumentsStandsForTheWholeLibraryAndADocumentForItself) {
  dlg_.OnInitDialog();
  dlg_.OnTabChanged(TSabunMakeDlg::kTabLibraries);
  Pick(kLibraries, 1);  // Documents
  EXPECT_EQ(C().Text(kStem), "DOCS");
  const ListControl& docs = C().List(kDocuments);
  // "*全て" leads even a name that sorts before "*" by its bytes.
  EXPECT_EQ(docs.Texts(), (std::vector<std::string>{kAllDocs, "!NOTE", "QUOTE"}));
  EXPECT_EQ(docs.Item(0).data, 0xFFFFu);
  EXPECT_EQ(docs.CurSel(), 0);
  dlg_.OnAdd();
  ASSERT_EQ(dlg_.Commands().size(), 1u);
  EXPECT_EQ(dlg_.Commands()[0].name, "DOCS.SSD");
  EXPECT_EQ(dlg_.Commands()[0].title, "Documents");
  EXPECT_EQ(dlg_.Commands()[0].member, "");
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{kAddPrefix + kLibLabel + "Documents"}));
  PickCommands({0});
  std::vector<std::string> lines = Lines(C().Text(kDescription));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], kCmdAdd);
  EXPECT_EQ(lines[1], kTypeLib);
  EXPECT_EQ(lines[2], "\xCC\xA7\xB2\xD9\x96\xBC\x81\x46" "DOCS.SSD");  // ﾌｧｲﾙ名：
  EXPECT_EQ(lines[3], "\x8F\x91\x97\xDE\xD7\xB2\xCC\xDE\xD7\xD8\x96\xBC\x81\x46" "Documents");  // 書類ﾗｲﾌﾞﾗﾘ名：

  dlg_.controls().MutableList(kDocuments).Select(2);  // QUOTE
  dlg_.OnAdd();
  ASSERT_EQ(dlg_.Commands().size(), 2u);
  EXPECT_EQ(dlg_.Commands()[1].member, "QUOTE");
  EXPECT_GE(LineOf(C().List(kCommands), kAddPrefix + kDocLabel + "QUOTE"), 0);
}

TEST_F(MakeDlgTest, DescriptionShowsOnlyForExactlyOneSelectedCommand) {
  dlg_.OnInitDialog();
  dlg_.OnAdd();  // BAD.SST
  dlg_.OnTabChanged(TSabunMakeDlg::kTabOthers);
  dlg_.OnAdd();  // the first other file
  PickCommands({0});
  EXPECT_TRUE(C().Enabled(kRemove));
  EXPECT_EQ(Lines(C().Text(kDescription))[0], kCmdAdd);
  PickCommands({0, 1});
  EXPECT_EQ(C().Text(kDescription), "");
  EXPECT_TRUE(C().Enabled(kRemove));
  PickCommands({});
  EXPECT_EQ(C().Text(kDescription), "");
  EXPECT_FALSE(C().Enabled(kRemove));
}

TEST_F(MakeDlgTest, OtherFilesLeaveOutTheProductsOwnExtensionsWhateverTheirCase) {
  dlg_.OnInitDialog();
  dlg_.OnTabChanged(TSabunMakeDlg::kTabOthers);
  EXPECT_EQ(C().List(kOthers).Texts(), (std::vector<std::string>{"A.B.SST", "DATA.CSV", "NOEXT", "README.TXT"}));
  EXPECT_EQ(C().List(kOthers).CurSel(), 0);
  dlg_.controls().SetText(kMask, "*.TXT");
  dlg_.OnSearch();
  EXPECT_EQ(C().List(kOthers).Texts(), (std::vector<std::string>{"README.TXT"}));
  dlg_.OnAdd();
  ASSERT_EQ(dlg_.Commands().size(), 1u);
  EXPECT_EQ(dlg_.Commands()[0].type, OtherFile);
  EXPECT_EQ(dlg_.Commands()[0].name, "README.TXT");
  EXPECT_EQ(dlg_.Commands()[0].title, "");
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{kAddPrefix + kFileLabel + "README.TXT"}));
  dlg_.controls().SetText(kMask, "");
  dlg_.OnSearch();
  EXPECT_EQ(C().List(kOthers).Count(), 0);
  dlg_.OnAdd();  // nothing selected: nothing added
  EXPECT_EQ(dlg_.Commands().size(), 1u);
}

TEST_F(MakeDlgTest, ADiffWithDeletionsShowsThemAndReplacesTheCommandList) {
  std::string diff = tmp_.path() + "old.kmd";
  SBNdtAry written = {{kOpDelete, MenuFile, "GONE.SST", "Gone", ""},
                      {kOpDelete, DocumentLibrary, "DOCS.SSD", "Documents", "OLDDOC"}};
  std::string comment = "cleanup";
  ASSERT_EQ(WriteDiffFile(diff, menu_, written, &comment), 0);
  dlg_.OnInitDialog();
  dlg_.OnAdd();  // replaced by the read
  ui_.fileAnswers.push_back(diff);
  dlg_.OnReadDiff();
  ASSERT_EQ(ui_.fileRequests.size(), 1u);
  const FileDialogRequest& r = ui_.fileRequests[0];
  EXPECT_FALSE(r.save);
  EXPECT_EQ(r.filter,
            "Velmo\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9 (*.KMD)|*.kmd|"
            "\x82\xB7\x82\xD7\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9 (*.*)|*.*|");
  EXPECT_EQ(r.defaultExtension, "KMD");
  EXPECT_TRUE(r.hideReadOnly);
  EXPECT_EQ(C().Text(kDiffPath), diff);
  EXPECT_EQ(C().Text(kComment), "cleanup");
  ASSERT_EQ(dlg_.Commands().size(), 2u);
  // In byte order: "書類：" (0x8F) before "ﾒﾆｭｰ：" (0xD2).
  EXPECT_EQ(C().List(kCommands).Texts(), (std::vector<std::string>{kDeletePrefix + kDocLabel + "OLDDOC",
                                                                    kDeletePrefix + kMenuLabel + "Gone"}));
  PickCommands({0});
  EXPECT_EQ(Lines(C().Text(kDescription))[0], kCmdDelete);
  EXPECT_EQ(Lines(C().Text(kDescription)).back(), "\x8F\x91\x97\xDE\x96\xBC\x81\x46" "OLDDOC");  // 書類名：
}

TEST_F(MakeDlgTest, AnUnreadableDiffKeepsTheListAndSaysWhy) {
  dlg_.OnInitDialog();
  dlg_.OnAdd();
  dlg_.controls().SetText(kComment, "mine");
  std::string bogus = tmp_.path() + "bogus.kmd";
  WriteFile(bogus, "not a diff");
  ui_.fileAnswers.push_back(bogus);
  dlg_.OnReadDiff();
  EXPECT_EQ(C().Text(kDiffPath), bogus);
  EXPECT_EQ(C().Text(kComment), "mine");
  EXPECT_EQ(dlg_.Commands().size(), 1u);
  EXPECT_EQ(C().List(kCommands).Count(), 1);
  // 差分ﾌｧｲﾙを読み込めません。\nPATH\n差分ﾌｧｲﾙではありません(…
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.rfind("\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9"
                                       "\x82\xF1\x81\x42\n" + bogus + "\n\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xC5\x82\xCD", 0),
            0u) << ui_.messages[0].text;
  ui_.messages.clear();
  // The next dialog offers the path read last.
  dlg_.OnReadDiff();
  EXPECT_EQ(ui_.fileRequests.back().initialName, bogus);
}

TEST_F(MakeDlgTest, CancelledDialogsChangeNothing) {
  dlg_.OnInitDialog();
  dlg_.OnAdd();
  SBNdtAry before = dlg_.Commands();
  dlg_.OnReadDiff();  // open cancelled
  dlg_.OnWrite();     // save cancelled: the dialog stays open
  dlg_.OnBrowse();    // browse cancelled
  dlg_.OnAnalyse();   // analysis cancelled
  EXPECT_EQ(dlg_.Commands().size(), before.size());
  EXPECT_EQ(C().List(kCommands).Count(), 1);
  EXPECT_EQ(C().Text(kDiffPath), "");
  EXPECT_EQ(C().Text(kMenuDir), menu_);
  EXPECT_EQ(Env().GL_sys_dir, menu_);
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_EQ(dlg_.Result(), 0);
  EXPECT_TRUE(ui_.messages.empty());
  ASSERT_EQ(ui_.browseCaptions.size(), 1u);
  EXPECT_EQ(ui_.browseCaptions[0], kMenuDirCaption);
  EXPECT_EQ(ui_.browseStarts[0], menu_);
  dlg_.OnCancel();
  EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdCancel}}));
}

TEST_F(MakeDlgTest, WritingReportsTheResultWithTheApplicationsTitle) {
  dlg_.OnInitDialog();
  std::string out = tmp_.path() + "out.kmd";
  // An empty command list is refused by the writer: the error shows and the dialog stays open.
  ui_.fileAnswers.push_back(out);
  dlg_.OnWrite();
  ASSERT_EQ(ui_.messages.size(), 1u);
  // 差分作成エラー\n書き出す項目がありません。
  EXPECT_EQ(ui_.messages[0].text, "\x8D\xB7\x95\xAA\x8D\xEC\x90\xAC\x83G\x83\x89\x81[\n"
                                  "\x8F\x91\x82\xAB\x8F\x6F\x82\xB7\x8D\x80\x96\xDA\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42");
  EXPECT_EQ(ui_.messages[0].caption, ui_.title);
  EXPECT_TRUE(ui_.ended.empty());
  const FileDialogRequest& r = ui_.fileRequests[0];
  EXPECT_TRUE(r.save);
  EXPECT_TRUE(r.promptOverwrite);
  EXPECT_TRUE(r.keepCurrentDir);
  EXPECT_TRUE(r.hideReadOnly);

  dlg_.OnAdd();  // BAD.SST
  dlg_.controls().SetText(kComment, "first update");
  ui_.fileAnswers.push_back(out);
  dlg_.OnWrite();
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text,
            "\x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8D\xEC\x90\xAC\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD"
            "\x81\x42");  // 差分ファイルが作成されました。
  EXPECT_EQ(ui_.messages[1].caption, ui_.title);
  EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdOk}}));
  SBNdtAry read;
  std::string comment;
  ASSERT_EQ(LoadDiffDirectory(out, read, &comment), 0);
  EXPECT_EQ(comment, "first update");
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].name, "BAD.SST");
}

TEST_F(MakeDlgTest, TheDescriptionIsKeptTo47BytesAsTypedAndAFailedWriteNamesItsEntry) {
  dlg_.OnInitDialog();
  EXPECT_EQ(C().ByteLimit(kComment), 47u);
  // 46 letters and a kanji: the kanji's second byte would be the 48th, so it goes whole.
  const std::string typed = std::string(46, 'a') + "\x8D\xB7";
  EXPECT_EQ(C().Fitted(kComment, typed), std::string(46, 'a'));
  EXPECT_EQ(C().Fitted(kComment, std::string(45, 'a') + "\x8D\xB7"), std::string(45, 'a') + "\x8D\xB7");
  EXPECT_EQ(C().Fitted(kCommands, typed), typed);  // no limit elsewhere
  // As the user types: at the end what does not fit is cut; inside, the change is refused.
  using Fit = DialogControls::EditFit;
  std::string kept;
  EXPECT_EQ(C().FitEdit(kComment, std::string(47, 'a'), false, &kept), Fit::kFits);
  EXPECT_EQ(C().FitEdit(kComment, typed, true, &kept), Fit::kCut);
  EXPECT_EQ(kept, std::string(46, 'a'));
  EXPECT_EQ(C().FitEdit(kComment, "b" + typed, false, &kept), Fit::kRefused);
  EXPECT_EQ(C().FitEdit(kCommands, typed + typed, false, &kept), Fit::kFits);

  // A source that vanished before the write: the entry is named beneath the error.
  dlg_.OnAdd();  // BAD.SST
  std::remove((menu_ + "BAD.SST").c_str());
  ui_.fileAnswers.push_back(tmp_.path() + "out.kmd");
  dlg_.OnWrite();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].text.find("\n\x8D\x80\x96\xDA: BAD.SST"), std::string::npos) << ui_.messages[0].text;  // 項目: BAD.SST
  EXPECT_FALSE(Exists(tmp_.path() + "out.kmd"));
}

TEST_F(MakeDlgTest, AWriteStoppedByTheUserLeavesNoFileAndTheListAsItWas) {
  dlg_.OnInitDialog();
  dlg_.OnAdd();  // BAD.SST
  const std::string out = tmp_.path() + "out.kmd";
  ui_.fileAnswers.push_back(out);
  // The progress window's キャンセル during the first chunk.
  SetCopyProgress([](std::uint64_t) { RequestCopyStop(true); });
  dlg_.OnWrite();
  SetCopyProgress(nullptr);
  EXPECT_EQ(ui_.copyStoppable, (std::vector<bool>{true}));
  ASSERT_EQ(ui_.messages.size(), 1u);
  // 差分作成を中止しました。…
  EXPECT_EQ(ui_.messages[0].text.rfind("\x8D\xB7\x95\xAA\x8D\xEC\x90\xAC\x82\xF0\x92\x86\x8E\x7E", 0), 0u);
  EXPECT_FALSE(Exists(out));
  std::vector<FoundFile> left;
  ASSERT_EQ(Host().FindFiles(tmp_.path() + "*", &left), 0);
  for (const FoundFile& f : left) EXPECT_NE(f.name.rfind("KMDW", 0), 0u) << f.name;  // no work file
  EXPECT_EQ(dlg_.Commands().size(), 1u);
  EXPECT_TRUE(ui_.ended.empty());
  EXPECT_FALSE(CopyStopRequested());  // the next work starts afresh
}

TEST_F(MakeDlgTest, TheCopyAnnouncedBeforeWritingIsWhatTheWriterCopies) {
  // Whole files, a whole library and one document go in; a deletion carries no bytes.
  const std::string in = tmp_.path() + "in.kmd";
  SBNdtAry changes = {{kOpAddOrReplace, MenuFile, "SALES.SST", "Sales", ""},
                      {kOpAddOrReplace, DocumentLibrary, "DOCS.SSD", "Documents", ""},
                      {kOpAddOrReplace, DocumentLibrary, "DOCS.SSD", "Documents", "QUOTE"},
                      {kOpAddOrReplace, OtherFile, "DATA.CSV", "", ""},
                      {kOpDelete, OtherFile, "README.TXT", "", ""}};
  std::string comment;
  ASSERT_EQ(WriteDiffFile(in, menu_, changes, &comment), 0);
  dlg_.OnInitDialog();
  ui_.fileAnswers.push_back(in);
  dlg_.OnReadDiff();
  ASSERT_EQ(dlg_.Commands().size(), changes.size());

  std::uint64_t copied = 0;
  SetCopyProgress([&](std::uint64_t bytes) { copied += bytes; });
  ui_.fileAnswers.push_back(tmp_.path() + "out.kmd");
  dlg_.OnWrite();
  SetCopyProgress(nullptr);
  ASSERT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdOk}}));
  ASSERT_EQ(ui_.copyTotals.size(), 1u);
  EXPECT_GT(copied, 0u);
  EXPECT_EQ(ui_.copyTotals[0], copied);
  EXPECT_EQ(ui_.copyDepth, 0);  // over before the message
}

TEST_F(MakeDlgTest, ChoosingAnotherMenuDirectoryRefillsTheListsAndKeepsTheCommands) {
  std::string other = tmp_.Sub("other");
  MenuDirBuilder(other).Menu("NEW.SST", "Fresh");
  dlg_.OnInitDialog();
  dlg_.OnAdd();
  ui_.browseAnswers.push_back(other);
  dlg_.OnBrowse();
  EXPECT_EQ(C().Text(kMenuDir), other);
  EXPECT_EQ(Env().GL_sys_dir, other);
  EXPECT_EQ(C().List(kMenus).Texts(), (std::vector<std::string>{"Fresh"}));
  EXPECT_EQ(C().List(kLibraries).Count(), 0);
  EXPECT_EQ(C().List(kCommons).Count(), 0);
  EXPECT_EQ(C().Text(kStem), "NEW");
  EXPECT_EQ(dlg_.Commands().size(), 1u);
  // Without libraries the library tab adds nothing.
  dlg_.OnTabChanged(TSabunMakeDlg::kTabLibraries);
  EXPECT_EQ(C().Text(kStem), "");
  dlg_.OnAdd();
  EXPECT_EQ(dlg_.Commands().size(), 1u);
}

// Empty lists of a directory that cannot be read look like a real, empty menu directory: one message
// names it and the cause, for the whole refill and for each search of the other files.
TEST_F(MakeDlgTest, AMenuDirectoryThatCannotBeListedIsNamedOnceNotShownAsEmpty) {
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.FailListingsOf(menu_, kPlatformDenied);
  dlg_.OnInitDialog();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, ReadFailureMessage({menu_, kPlatformDenied}));
  EXPECT_EQ(C().List(kMenus).Count(), 0);
  dlg_.OnSearch();
  EXPECT_EQ(ui_.messages.size(), 2u);
  faults.FailListingsOf("", 0);
  dlg_.OnSearch();
  EXPECT_EQ(ui_.messages.size(), 2u);
  EXPECT_GT(C().List(kOthers).Count(), 0);
  const std::string gone = tmp_.path() + "gone" + kDirSep;
  ui_.browseAnswers.push_back(gone);
  dlg_.OnBrowse();
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_EQ(ui_.messages[2].text, ReadFailureMessage({gone, kPlatformNotFound}));
}

TEST_F(MakeDlgTest, AnAnalysisThatRunsReplacesTheCommandList) {
  std::string old = tmp_.Sub("old");
  MenuDirBuilder(old).Menu("SALES.SST", "Sales");
  dlg_.OnInitDialog();
  dlg_.OnAdd();
  PickCommands({0});
  ui_.analysis = [&](TSabunKaisekiDlg& analysis) {
    analysis.OnInitDialog();
    EXPECT_EQ(analysis.Controls().Text(kaiseki_dlg::kOldDir), menu_);
    analysis.controls().SetText(kaiseki_dlg::kOldDir, old);
    analysis.controls().SetText(kaiseki_dlg::kExtensions, "");
    analysis.OnRun();
    return analysis.Result();
  };
  dlg_.OnAnalyse();
  // Everything of the product's own kinds but SALES.SST is new against the old copy.
  std::vector<std::string> names;
  for (const SBNdt& c : dlg_.Commands()) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.B.SST", "BAD.SST", "ORDERS.SST", "ARCH.SSD", "DOCS.SSD",
                                             "COMMON.SSV", "DATA.SSV"}));
  EXPECT_EQ(C().List(kCommands).Count(), 7);
  EXPECT_EQ(C().Text(kDescription), "");
  EXPECT_FALSE(C().Enabled(kRemove));
}

TEST_F(MakeDlgTest, HelpOpensContext500) {
  dlg_.OnHelp();
  EXPECT_EQ(ui_.helpContexts, (std::vector<int>{kHelpCreate}));
}

}  // namespace
}  // namespace quarvel
