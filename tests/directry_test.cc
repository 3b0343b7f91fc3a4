#include "dialogs/directry.h"

#include <gtest/gtest.h>

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
          d.find('/', dir.size()) == d.size() - 1) {
        names->push_back(d.substr(dir.size(), d.size() - dir.size() - 1));
      }
    }
    return 0;
  }
  std::string CurrentDir() override { return cwd_.size() > 1 ? cwd_.substr(0, cwd_.size() - 1) : cwd_; }
  int SetCurrentDir(const std::string& dir) override {
    std::string d = dir;
    if (d.empty() || d.back() != '/') d += '/';
    if (dirs_.count(d) == 0) return -1;
    cwd_ = d;
    ++changes;
    return 0;
  }
  StringAry Drives() override { return {"/", "/home/u/"}; }

  std::string cwd_ = "/home/u/";
  int changes = 0;

 private:
  std::set<std::string> dirs_;
};

class DirectryTest : public ::testing::Test {
 protected:
  MemoryTree tree_{{"/", "/home/", "/home/u/", "/data/", "/data/menu/", "/data/menu/menu/", "/data/menu/old/"}};
  FakeDialogServices ui_;
  std::vector<std::string> Shown(const TDirectry& d) const { return d.Controls().List(kDirectories).Texts(); }
};

TEST_F(DirectryTest, ListsThePathFromTheRootThenTheSubdirectories) {
  POSIX_HOST_ONLY("paths with \"/\"");
  tree_.cwd_ = "/data/menu/";
  TDirectry d(ui_, tree_, "caption");
  d.OnInitDialog();
  EXPECT_EQ(Shown(d), (std::vector<std::string>{"/", "data", "menu", "menu", "old"}));
  EXPECT_EQ(d.Controls().List(kDirectories).CurSel(), 2);  // the current directory
  EXPECT_EQ(d.Controls().Text(kPath), "/data/menu/");
  EXPECT_EQ(d.Controls().List(kDrives).Texts(), (std::vector<std::string>{"/", "/home/u/"}));
}

TEST_F(DirectryTest, AcceptOpensAnotherEntryAndAcceptsTheCurrentOne) {
  POSIX_HOST_ONLY("paths with \"/\"");
  tree_.cwd_ = "/data/";
  TDirectry d(ui_, tree_, "caption");
  d.OnInitDialog();
  d.controls().MutableList(kDirectories).Select(2);  // "menu" below /data
  d.OnAccept();
  EXPECT_FALSE(d.Accepted());
  EXPECT_EQ(d.Current(), "/data/menu/");
  // A subdirectory named like the current one is opened, not taken for it.
  d.controls().MutableList(kDirectories).Select(3);
  d.OnAccept();
  EXPECT_FALSE(d.Accepted());
  EXPECT_EQ(d.Current(), "/data/menu/menu/");
  // An ancestor entry opens that ancestor.
  d.controls().MutableList(kDirectories).Select(1);
  d.OnAccept();
  EXPECT_EQ(d.Current(), "/data/");
  d.OnAccept();  // the current entry is selected after every opening
  EXPECT_TRUE(d.Accepted());
  EXPECT_EQ(d.Chosen(), "/data/");
  EXPECT_EQ(ui_.ended, (std::vector<std::pair<int, int>>{{kResource, kIdOk}}));
}

TEST_F(DirectryTest, TheRootIsAcceptedWithItsFirstEntry) {
  POSIX_HOST_ONLY("the root \"/\"");
  tree_.cwd_ = "/";
  TDirectry d(ui_, tree_, "c");
  d.OnInitDialog();
  EXPECT_EQ(Shown(d), (std::vector<std::string>{"/", "data", "home"}));
  d.OnAccept();
  EXPECT_TRUE(d.Accepted());
  EXPECT_EQ(d.Chosen(), "/");
}

TEST_F(DirectryTest, EnterWithTheDriveListOpenOnlyClosesIt) {
  POSIX_HOST_ONLY("paths with \"/\"");
  TDirectry d(ui_, tree_, "c");
  d.OnInitDialog();
  d.OnDriveListShown(true);
  d.OnAccept();
  EXPECT_FALSE(d.Accepted());
  d.controls().MutableList(kDrives).Select(0);
  d.OnDriveChanged();
  EXPECT_EQ(d.Current(), "/");
  d.OnAccept();
  EXPECT_TRUE(d.Accepted());
  d.OnHelp();
  EXPECT_EQ(ui_.helpContexts, (std::vector<int>{kHelpBrowse}));
}

TEST_F(DirectryTest, BrowseStartsAtThePathAndRestoresTheCurrentDirectory) {
  POSIX_HOST_ONLY("paths with \"/\"");
  std::string path = "/data/menu/";
  bool ok = BrowseForDirectory(ui_, tree_, [](TDirectry& d) {
    EXPECT_EQ(d.Current(), "/data/menu/");
    EXPECT_EQ(d.Caption(), "pick");
    d.controls().MutableList(kDirectories).Select(4);  // old
    d.OnAccept();
    d.OnAccept();
  }, &path, "pick");
  EXPECT_TRUE(ok);
  EXPECT_EQ(path, "/data/menu/old/");
  EXPECT_EQ(tree_.cwd_, "/home/u/");

  std::string kept = "/data/menu/";
  EXPECT_FALSE(BrowseForDirectory(ui_, tree_, [](TDirectry& d) { d.OnCancel(); }, &kept, "pick"));
  EXPECT_EQ(kept, "/data/menu/");
  EXPECT_EQ(tree_.cwd_, "/home/u/");

  // A start directory that does not exist leaves the chooser where the process was.
  std::string missing = "/nowhere/";
  EXPECT_TRUE(BrowseForDirectory(ui_, tree_, [](TDirectry& d) {
    EXPECT_EQ(d.Current(), "/home/u/");
    d.OnAccept();
  }, &missing, "pick"));
  EXPECT_EQ(missing, "/home/u/");
}

TEST(HostDirectoryTree, ListsVisibleSubdirectoriesOnlyAndRestoresTheProcess) {
  POSIX_HOST_ONLY("\"/\" and the home directory as roots");
  TempDir tmp;
  tmp.Sub("b");
  tmp.Sub("a");
  tmp.Sub(".hidden");
  WriteFile(tmp.path() + "file", "x");
  StringAry names;
  ASSERT_EQ(HostDirectoryTree().ListSubdirectories(tmp.path(), &names), 0);
  EXPECT_EQ(names, (StringAry{"a", "b"}));
  EXPECT_EQ(HostDirectoryTree().ListSubdirectories(tmp.path() + "none/", &names), -1);
  StringAry drives = HostDirectoryTree().Drives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0], "/");
  for (const std::string& d : drives) EXPECT_EQ(d.back(), '/');

  std::string before = Host().CurrentDir();
  std::string path = tmp.path();
  FakeDialogServices ui;
  EXPECT_TRUE(BrowseForDirectory(ui, HostDirectoryTree(), [](TDirectry& d) {
    d.controls().MutableList(kDirectories).Select(d.Controls().List(kDirectories).Count() - 1);  // "b"
    d.OnAccept();
    d.OnAccept();
  }, &path, "c"));
  EXPECT_EQ(path, tmp.path() + "b/");
  EXPECT_EQ(Host().CurrentDir(), before);
}

}  // namespace
}  // namespace quarvel
