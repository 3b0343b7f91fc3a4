#include "menufiles/rebuild.h"

#include <gtest/gtest.h>

#include "fileio/fileio.h"
#include "menufiles/libindex.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

class RebuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MenuDirBuilder(dir_.path())
        .Library("OLD.SSD", "old", {{"KEEP", "k2", std::string(40000, 'k'), 11}, {"DROP", "", "dropped", 12},
                                    {"EMPTY", "e", "", 13}})
        .File("NEW.BIN", "0123456789");
    std::string title;
    old_fd_ = ReadLibIndex(SSDlib{}, docs_, &title, dir_.path() + "OLD.SSD");
    new_fd_ = FileOpenRead(dir_.path() + "NEW.BIN");
    ASSERT_GE(old_fd_, 0);
    ASSERT_GE(new_fd_, 0);
    for (SSDocInfo& d : docs_) d.word = d.storedWord;
    docs_[1].source = -1;
    SSDocInfo added;
    added.source = 1;
    added.word = 99;
    added.offset = 2;
    added.length = 5;
    added.name = "ADDED";
    docs_.push_back(added);
  }
  void TearDown() override {
    FileClose(old_fd_);
    FileClose(new_fd_);
  }
  std::string Out() const { return dir_.path() + "OUT.SSD"; }

  TempDir dir_;
  SSDocInfoAry docs_;
  int old_fd_ = -1;
  int new_fd_ = -1;
};

TEST_F(RebuildTest, WritesKeptAndNewDocumentsThatReadBackInOrder) {
  ASSERT_EQ(RebuildLibrary(Out(), old_fd_, new_fd_, std::string(60, 'T'), docs_), 0);
  const std::string bytes = ReadFile(Out());
  EXPECT_EQ(bytes.substr(16, 48), std::string(47, 'T') + '\0');
  SSDocInfoAry back;
  std::string title;
  const int fd = ReadLibIndex(SSDlib{}, back, &title, Out());
  ASSERT_GE(fd, 0);
  FileClose(fd);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].name, "KEEP");
  EXPECT_EQ(back[0].storedWord, 11u);
  EXPECT_EQ(back[1].name, "EMPTY");
  EXPECT_EQ(back[1].length, 0u);
  EXPECT_EQ(back[1].offset, back[0].offset + 40000);
  EXPECT_EQ(back[2].offset, back[1].offset);
  EXPECT_EQ(back[2].storedWord, 99u);
  EXPECT_EQ(bytes.substr(back[0].offset, 40000), std::string(40000, 'k'));
  EXPECT_EQ(bytes.substr(back[2].offset), "23456");
}

TEST_F(RebuildTest, NothingIsCreatedWhenEveryDocumentIsDropped) {
  for (SSDocInfo& d : docs_) d.source = -1;
  EXPECT_EQ(RebuildLibrary(Out(), old_fd_, new_fd_, "t", docs_), 0);
  EXPECT_FALSE(Exists(Out()));
}

TEST_F(RebuildTest, AnyFailureRemovesThePartialOutput) {
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  for (FaultOp op : {FaultOp::kCreate, FaultOp::kWrite, FaultOp::kRead, FaultOp::kSeek, FaultOp::kFlush,
                     FaultOp::kClose}) {
    for (int n : {1, 2, 5}) {
      SCOPED_TRACE(std::string(FaultOpName(op)) + " #" + std::to_string(n));
      faults.FailNth(op, n);
      const int r = RebuildLibrary(Out(), old_fd_, new_fd_, "t", docs_);
      if (!faults.Fired()) continue;
      EXPECT_EQ(r, -1);
      EXPECT_FALSE(Exists(Out()));
    }
  }
}

}  // namespace
}  // namespace quarvel
