#include "menufiles/rebuild.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "fileio/fileio.h"
#include "menufiles/libindex.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

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

// Documents kept back to back are copied as one run; the result must be the library written whole.
class RebuildRunsTest : public ::testing::Test {
 protected:
  // Rebuilds OLD.SSD (the documents `old`) into OUT.SSD: the documents named in `replaced` take the
  // bytes of NEW.BIN, those in `dropped` go, the rest stay. Returns what the result should be.
  std::string Rebuild(const std::vector<DocSpec>& old, const std::set<std::string>& replaced,
                      const std::set<std::string>& dropped) {
    FileRemove(dir_.path() + "OUT.SSD");
    MenuDirBuilder(dir_.path()).Library("OLD.SSD", "runs", old);
    const std::string fresh = Bytes(kBulkChunk + 7, 99);
    WriteFile(dir_.path() + "NEW.BIN", fresh);
    SSDocInfoAry docs;
    std::string title;
    const int oldFd = ReadLibIndex(SSDlib{}, docs, &title, dir_.path() + "OLD.SSD");
    const int newFd = FileOpenRead(dir_.path() + "NEW.BIN");
    std::vector<DocSpec> expected;
    for (std::size_t i = 0; i < docs.size(); ++i) {
      SSDocInfo& d = docs[i];
      d.word = d.storedWord;
      if (dropped.count(d.name)) {
        d.source = -1;
        continue;
      }
      DocSpec e = old[i];
      if (replaced.count(d.name)) {
        d.source = 1;
        d.offset = 3;
        d.length = static_cast<std::uint32_t>(fresh.size() - 3);
        e.data = fresh.substr(3);
      }
      expected.push_back(e);
    }
    EXPECT_EQ(RebuildLibrary(dir_.path() + "OUT.SSD", oldFd, newFd, title, docs), 0);
    FileClose(oldFd);
    FileClose(newFd);
    return LibraryBytes("runs", expected);
  }
  // Rebuild, then what it wrote.
  std::pair<std::string, std::string> WantAndGot(const std::vector<DocSpec>& old,
                                                 const std::set<std::string>& replaced,
                                                 const std::set<std::string>& dropped) {
    std::string want = Rebuild(old, replaced, dropped);
    return {want, ReadFile(dir_.path() + "OUT.SSD")};
  }

  TempDir dir_;
};

TEST_F(RebuildRunsTest, RebuiltBytesEqualTheLibraryWrittenWholeOnEveryCopyPath) {
  std::vector<DocSpec> old;
  int k = 0;
  for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{kBulkChunk} - 1, std::size_t{kBulkChunk},
                        std::size_t{0}, std::size_t{kBulkChunk} + 1, std::size_t{kCopyChunk}, std::size_t{5}}) {
    ++k;
    old.push_back({"D" + std::to_string(k), "s" + std::to_string(k), Bytes(n, static_cast<unsigned>(k)),
                   static_cast<std::uint32_t>(k)});
  }
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  for (bool kernel : {false, true}) {
    faults.set_kernel_copy(kernel);
    // Everything kept (one run); runs cut by a replaced and a dropped document; the first and last gone.
    for (const auto& [replaced, dropped] : std::vector<std::pair<std::set<std::string>, std::set<std::string>>>{
             {{}, {}}, {{"D4"}, {"D6"}}, {{"D8"}, {"D1", "D2"}}}) {
      const auto [want, got] = WantAndGot(old, replaced, dropped);
      EXPECT_TRUE(got == want) << (kernel ? "host copy, " : "read and write, ") << replaced.size() << " replaced, "
                               << dropped.size() << " dropped";
    }
  }
}

TEST_F(RebuildRunsTest, ALargeRebuildIsWrittenBehindWhileItIsCopied) {
  std::vector<DocSpec> old;
  for (int k = 0; k < 26; ++k) {
    old.push_back({"D" + std::to_string(k), "", Bytes(kBulkChunk, static_cast<unsigned>(k))});
  }
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.set_kernel_copy(true);
  const auto [want, got] = WantAndGot(old, {"D5", "D11", "D17"}, {"D20"});
  ASSERT_TRUE(got == want);
  // Every step-aligned window behind the end, though no single copy is as long as a window.
  const std::vector<std::pair<std::int64_t, std::int64_t>> windows = {
      {0, kWriteBackStep}, {kWriteBackStep, kWriteBackStep}, {2 * std::int64_t{kWriteBackStep}, kWriteBackStep}};
  EXPECT_EQ(faults.WriteBackRanges(), windows);
}

}  // namespace
}  // namespace quarvel
