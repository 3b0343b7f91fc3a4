#include "dialogs/directry.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "dialogs/directry_layout.h"
#include "platform/platform.h"
#include "support/fake_dialog_services.h"
#include "support/temp_dir.h"
#include "support/host_rules.h"

namespace quarvel {
namespace {

using namespace directry;

// A tree of directories held in memory, with its own current directory.
class MemoryTree : public DirectoryTree {
 public:
  explicit MemoryTree(std::set<std::string> dirs) : dirs_(std::move(dirs)) {}
  int ListSubdirectories(const std::string& dir, StringAry* names) override {
    names->clear();
    for (const std::string& d : dirs_) {
      if (d.size() > dir.size() && d.compare(0, dir.size(), dir) == 0 &&
          d.find(kDirSep, dir.size()) == d.size() - 1) {
        names->push_back(d.substr(dir.size(), d.size() - dir.size() - 1));
      }
    }
    return 0;
  }
  // No trailing separator but at the root.
  std::string CurrentDir() override {
    return cwd_.size() > HostPath("/").size() ? cwd_.substr(0, cwd_.size() - 1) : cwd_;
  }
  int SetCurrentDir(const std::string& dir) override {
    // "d:" is the directory current on that drive.
    if (dir.size() == 2 && dir[1] == ':') {
      auto it = driveDirs_.find(dir);
      return it == driveDirs_.end() ? -1 : SetCurrentDir(it->second);
    }
    std::string d = dir;
    if (d.empty() || d.back() != kDirSep) d += kDirSep;
    if (dirs_.count(d) == 0) return -1;
    cwd_ = d;
    ++changes;
    return 0;
  }
  StringAry Drives() override { return drives_; }

  std::map<std::string, std::string> driveDirs_;
  std::string cwd_ = HostPath("/home/u/");
  StringAry drives_ = {HostPath("/"), HostPath("/home/u/")};
  int changes = 0;

 private:
  std::set<std::string> dirs_;
};

class DirectryTest : public ::testing::Test {
 protected:
  MemoryTree tree_{{HostPath("/"), HostPath("/home/"), HostPath("/home/u/"), HostPath("/data/"),
                    HostPath("/data/menu/"), HostPath("/data/menu/menu/"), HostPath("/data/menu/old/")}};
  FakeDialogServices ui_;
  std::vector<std::string> Shown(const TDirectry& d) const { return d.Controls().List(kDirectories).Texts(); }
};

TEST_F(DirectryTest, ListsThePathFromTheRootThenTheSubdirectories) {
  tree_.cwd_ = HostPath("/data/menu/");
  TDirectry d(ui_, tree_, "caption");
  d.OnInitDialog();
  EXPECT_EQ(Shown(d), (std::vector<std::string>{HostPath("/"), "data", "menu", "menu", "old"}));
  EXPECT_EQ(d.Controls().List(kDirectories).CurSel(), 2);  // the current directory
  EXPECT_EQ(d.Controls().Text(kPath), HostPath("/data/menu/"));
  EXPECT_EQ(d.Controls().List(kDrives).Texts(), (std::vector<std::string>{HostPath("/"), HostPath("/home/u/")}));
}

TEST_F(DirectryTest, TheDriveListShowsTheDriveOfTheCurrentDirectory) {
  tree_.drives_ = {HostPath("/home/u/"), HostPath("/")};
  tree_.cwd_ = HostPath("/data/menu/");
  TDirectry d(ui_, tree_, "caption");
  d.OnInitDialog();
  EXPECT_EQ(d.Controls().List(kDrives).CurSel(), 1);  // not the first line of the list
  d.OnOpen(0);                                         // up to the root: the same drive
  EXPECT_EQ(d.Current(), HostPath("/"));
  EXPECT_EQ(d.Controls().List(kDrives).CurSel(), 1);
  // A drive that cannot be entered: the list goes back to the drive of the directory shown.
  tree_.drives_.push_back(HostPath("/nowhere/"));
  d.OnInitDialog();
  d.controls().MutableList(kDrives).Select(2);
  d.OnDriveChanged();
  EXPECT_EQ(d.Controls().List(kDrives).CurSel(), 1);
}

TEST_F(DirectryTest, TheHomeEntryStaysShownInsideItAndADriveGoesToItsCurrentDirectory) {
  tree_.cwd_ = HostPath("/data/");
  TDirectry d(ui_, tree_, "caption");
  d.OnInitDialog();
  EXPECT_EQ(d.Controls().List(kDrives).CurSel(), 0);
  d.controls().MutableList(kDrives).Select(1);  // the home directory
  d.OnDriveChanged();
  EXPECT_EQ(d.Current(), HostPath("/home/u/"));
  EXPECT_EQ(d.Controls().List(kDrives).CurSel(), 1);  // not "/" again

  // A drive letter: the directory current on that drive, also for a start that is not there.
  MemoryTree drives{{"c:" + std::string(1, kDirSep), "d:" + std::string(1, kDirSep), "d:" + std::string(1, kDirSep) + "work" + kDirSep}};
  drives.drives_ = {"c:" + std::string(1, kDirSep), "d:" + std::string(1, kDirSep)};
  drives.driveDirs_ = {{"d:", "d:" + std::string(1, kDirSep) + "work"}};
  drives.cwd_ = "c:" + std::string(1, kDirSep);
  TDirectry c(ui_, drives, "caption");
  c.OnInitDialog();
  c.controls().MutableList(kDrives).Select(1);
  c.OnDriveChanged();
  EXPECT_EQ(c.Current(), "d:" + std::string(1, kDirSep) + "work" + kDirSep);
  std::string path = "d:" + std::string(1, kDirSep) + "gone" + kDirSep;
  std::string started;
  BrowseForDirectory(ui_, drives, [&](TDirectry& chooser) { started = chooser.Current(); }, &path, "caption");
  EXPECT_EQ(started, "d:" + std::string(1, kDirSep) + "work" + kDirSep);
}

TEST_F(DirectryTest, AcceptOpensAnotherEntryAndAcceptsTheCurrentOne) {
  tree_.cwd_ = HostPath("/data/");
  TDirectry d(ui_, tree_, "caption");
  d.OnInitDialog();
  d.controls().MutableList(kDirectories).Select(2);  // "menu" below /data
  d.OnAccept();
  EXPECT_FALSE(d.Accepted());
  EXPECT_EQ(d.Current(), HostPath("/data/menu/"));
  // A subdirectory named like the current one is opened, not taken for it.
  d.controls().MutableList(kDirectories).Select(3);
  d.OnAccept();
  EXPECT_FALSE(d.Accepted());
  EXPECT_EQ(d.Current(), HostPath("/data/menu/menu/"));
  // An ancestor entry opens that ancestor.
  d.controls().MutableList(kDirectories).Select(1);
  d.OnAccept();
  EXPECT_EQ(d.Current(), HostPath("/data/"));
  d.OnAccept();  // the current entry is selected after every opening
  EXPECT_TRUE(d.Accepted());
  EXPECT_EQ(d.Chosen(), HostPath("/data/"));
  EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdOk}}));
}

TEST_F(DirectryTest, TheRootIsAcceptedWithItsFirstEntry) {
  tree_.cwd_ = HostPath("/");
  TDirectry d(ui_, tree_, "c");
  d.OnInitDialog();
  EXPECT_EQ(Shown(d), (std::vector<std::string>{HostPath("/"), "data", "home"}));
  d.OnAccept();
  EXPECT_TRUE(d.Accepted());
  EXPECT_EQ(d.Chosen(), HostPath("/"));
}

TEST_F(DirectryTest, EnterWithTheDriveListOpenOnlyClosesIt) {
  TDirectry d(ui_, tree_, "c");
  d.OnInitDialog();
  d.OnDriveListShown(true);
  d.OnAccept();
  EXPECT_FALSE(d.Accepted());
  d.controls().MutableList(kDrives).Select(0);
  d.OnDriveChanged();
  EXPECT_EQ(d.Current(), HostPath("/"));
  d.OnAccept();
  EXPECT_TRUE(d.Accepted());
  d.OnHelp();
  EXPECT_EQ(ui_.helpContexts, (std::vector<int>{kHelpBrowse}));
}

TEST_F(DirectryTest, BrowseStartsAtThePathAndRestoresTheCurrentDirectory) {
  std::string path = HostPath("/data/menu/");
  bool ok = BrowseForDirectory(ui_, tree_, [](TDirectry& d) {
    EXPECT_EQ(d.Current(), HostPath("/data/menu/"));
    EXPECT_EQ(d.Caption(), "pick");
    d.controls().MutableList(kDirectories).Select(4);  // old
    d.OnAccept();
    d.OnAccept();
  }, &path, "pick");
  EXPECT_TRUE(ok);
  EXPECT_EQ(path, HostPath("/data/menu/old/"));
  EXPECT_EQ(tree_.cwd_, HostPath("/home/u/"));

  std::string kept = HostPath("/data/menu/");
  EXPECT_FALSE(BrowseForDirectory(ui_, tree_, [](TDirectry& d) { d.OnCancel(); }, &kept, "pick"));
  EXPECT_EQ(kept, HostPath("/data/menu/"));
  EXPECT_EQ(tree_.cwd_, HostPath("/home/u/"));

  // A start directory that does not exist leaves the chooser where the process was.
  std::string missing = HostPath("/nowhere/");
  EXPECT_TRUE(BrowseForDirectory(ui_, tree_, [](TDirectry& d) {
    EXPECT_EQ(d.Current(), HostPath("/home/u/"));
    d.OnAccept();
  }, &missing, "pick"));
  EXPECT_EQ(missing, HostPath("/home/u/"));
}

// Windows ignores case in paths and gives the chosen directory in lower case; POSIX keeps its case.
TEST_F(DirectryTest, TheChosenDirectoryIsInLowerCaseOnWindowsOnly) {
  MemoryTree tree({HostPath("/"), HostPath("/Data/"), HostPath("/Data/Menu\x95\x5c" "A/")});
  tree.cwd_ = HostPath("/Data/Menu\x95\x5c" "A/");
  TDirectry d(ui_, tree, "c");
  d.OnInitDialog();
  EXPECT_EQ(Shown(d), (std::vector<std::string>{HostPath("/"), "Data", "Menu\x95\x5c" "A"}));
  d.OnAccept();
  ASSERT_TRUE(d.Accepted());
#ifdef _WIN32
  EXPECT_EQ(d.Chosen(), HostPath("/data/menu\x95\x5c" "a/"));  // the trail byte 0x5C is no letter
#else
  EXPECT_EQ(d.Chosen(), HostPath("/Data/Menu\x95\x5c" "A/"));
#endif
}

TEST(HostDirectoryTree, ListsVisibleSubdirectoriesOnlyAndRestoresTheProcess) {
  TempDir tmp;
  tmp.Sub("b");
  tmp.Sub("a");
  tmp.Sub(".hidden");
  WriteFile(tmp.path() + "file", "x");
  StringAry names;
  ASSERT_EQ(HostDirectoryTree().ListSubdirectories(tmp.path(), &names), 0);
  EXPECT_EQ(names, (StringAry{"a", "b"}));
  EXPECT_EQ(HostDirectoryTree().ListSubdirectories(tmp.path() + "none" + kDirSep, &names), -1);
  // The roots: the drives on Windows; "/" and the home directory on POSIX.
  StringAry drives = HostDirectoryTree().Drives();
  ASSERT_FALSE(drives.empty());
#ifdef _WIN32
  EXPECT_EQ(drives[0].substr(1), ":\\");
#else
  EXPECT_EQ(drives[0], "/");
#endif
  for (const std::string& d : drives) EXPECT_EQ(d.back(), kDirSep);

  std::string before = Host().CurrentDir();
  std::string path = tmp.path();
  FakeDialogServices ui;
  EXPECT_TRUE(BrowseForDirectory(ui, HostDirectoryTree(), [](TDirectry& d) {
    d.controls().MutableList(kDirectories).Select(d.Controls().List(kDirectories).Count() - 1);  // "b"
    d.OnAccept();
    d.OnAccept();
  }, &path, "c"));
  std::string want = tmp.path() + "b" + kDirSep;
#ifdef _WIN32
  for (char& c : want) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;  // an ASCII path
#endif
  EXPECT_EQ(path, want);
  EXPECT_EQ(Host().CurrentDir(), before);
}

}  // namespace
}  // namespace quarvel
