#include <gtest/gtest.h>

#include <filesystem>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "fileio/fileio.h"
#include "platform/dos_time.h"
#include "platform/text.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

// The base format alone, as a writer without seals wrote it.
const WriteOptions kPlain{false, ""};

std::string U32(std::uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

std::string LStr(const std::string& s) {
  return std::string(1, static_cast<char>((s.size() + 1) & 0xFF)) + static_cast<char>((s.size() + 1) >> 8) + s +
         '\0';
}

SBNdt Entry(std::int32_t op, std::int32_t type, const std::string& name, const std::string& title = "",
            const std::string& member = "") {
  return SBNdt{op, type, name, title, member};
}

class DiffFileTest : public ::testing::Test {
 protected:
  std::string Menu() const { return dir_.path(); }
  std::string Diff() const { return out_dir_ + "out.kmd"; }
  // Files in the output directory other than the diff itself: work files left behind.
  int Leftovers() const {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(out_dir_)) n += e.path().filename() != "out.kmd";
    return n;
  }

  TempDir dir_;
  std::string out_dir_ = dir_.Sub("out");
  MenuDirBuilder build_{dir_.path()};
};

TEST_F(DiffFileTest, DeletionDiffHasTheExactLayout) {
  const SBNdtAry changes = {Entry(kOpDelete, MenuFile, "A.SST", "T")};
  ASSERT_EQ(WriteDiffFile(Diff(), Menu(), changes, nullptr, nullptr, kPlain), 0);
  const std::string dir_entry = U32(1) + U32(0) + LStr("A.SST") + LStr("T") + LStr("");
  const std::string expected = std::string("\x71\x0B\x01\x00", 4) + U32(0) + U32(1) + U32(2 + 8 + 8 + 4 + 3) +
                               std::string(48, '\0') + "\x01" + std::string(1, '\0') + dir_entry + U32(0);
  EXPECT_EQ(ReadFile(Diff()), expected);
  EXPECT_EQ(Leftovers(), 0);
}

TEST_F(DiffFileTest, DescriptionIsCutTo47Bytes) {
  const SBNdtAry changes = {Entry(kOpDelete, OtherFile, "X.KKK")};
  const std::string long_text(60, 'd');
  ASSERT_EQ(WriteDiffFile(Diff(), Menu(), changes, &long_text), 0);
  EXPECT_EQ(ReadFile(Diff()).substr(16, 48), std::string(47, 'd') + '\0');
  SBNdtAry back;
  std::string description;
  ASSERT_EQ(LoadDiffDirectory(Diff(), back, &description), 0);
  EXPECT_EQ(description, std::string(47, 'd'));
}

// 47 bytes would split the 24th double-byte character: the writer stops before it, and a diff of
// another writer that did split one loses that half character only.
TEST_F(DiffFileTest, ADescriptionIsCutAtACharacterNeverInsideOne) {
  build_.File("A.KKK", "abc");
  const SBNdtAry changes = {Entry(0, OtherFile, "A.KKK")};
  std::string kana;
  for (int i = 0; i < 30; ++i) kana += "\x83\x41";  // ア
  const std::string text = "x" + kana;
  ASSERT_EQ(WriteDiffFile(Diff(), Menu(), changes, &text), 0);
  std::string bytes = ReadFile(Diff());
  EXPECT_EQ(bytes.substr(16, 48), text.substr(0, 47) + std::string(1, '\0'));
  SBNdtAry back;
  std::string description;
  ASSERT_EQ(LoadDiffDirectory(Diff(), back, &description), 0);
  EXPECT_EQ(description, text.substr(0, 47));
  std::string split = text.substr(1, 46) + "\x83";  // 23 characters and a lead byte
  bytes.replace(16, 47, split);
  WriteFile(Diff(), bytes);
  ASSERT_EQ(LoadDiffDirectory(Diff(), back, &description), 0);
  EXPECT_EQ(description, text.substr(1, 46));
  std::string utf8;
  EXPECT_TRUE(Cp932ToUtf8(description, &utf8));
}

TEST_F(DiffFileTest, FileBlocksCarryFlagStampAndBytes) {
  const std::uint32_t stamp = MakeDosStamp(2020, 5, 6, 7, 8, 10);
  build_.File("RO.KKK", "read only", stamp).File("EMPTY.KKK", "", stamp);
  SetReadOnly(Menu() + "RO.KKK", true);
  const SBNdtAry changes = {Entry(kOpAddOrReplace, OtherFile, "RO.KKK"),
                            Entry(kOpAddOrReplace, OtherFile, "EMPTY.KKK")};
  ASSERT_EQ(WriteDiffFile(Diff(), Menu(), changes, nullptr, nullptr, kPlain), 0);
  const std::string bytes = ReadFile(Diff());
  const std::size_t blocks = 64 + DiffDirectorySize(changes);
  EXPECT_EQ(bytes.substr(blocks), U32(9 + 8) + U32(1) + U32(stamp) + "read only" + U32(8) + U32(0) + U32(stamp));
}

TEST_F(DiffFileTest, DocumentBlocksCarryWordSecondNameAndData) {
  build_.Library("L.SSD", "lib", {{"A", "second", "abc", 0x01020304}, {"Z", "", "", 5}});
  const SBNdtAry changes = {Entry(kOpAddOrReplace, DocumentLibrary, "L.SSD", "lib", "A"),
                            Entry(kOpAddOrReplace, DocumentLibrary, "L.SSD", "lib", "Z")};
  ASSERT_EQ(WriteDiffFile(Diff(), Menu(), changes, nullptr, nullptr, kPlain), 0);
  const std::string bytes = ReadFile(Diff());
  const std::size_t blocks = 64 + DiffDirectorySize(changes);
  EXPECT_EQ(bytes.substr(blocks),
            U32(9 + 3 + 8) + U32(0x01020304) + LStr("second") + U32(3) + "abc" + U32(3 + 8) + U32(5) + LStr("") + U32(0));
  SBNdtAry back;
  std::string description;
  EXPECT_TRUE(CheckDiffFile(Diff(), &back, &description).ok());
}

TEST_F(DiffFileTest, LoadReadsBackWhatWasWritten) {
  build_.Menu("M.SST", "menu").Library("L.SSD", "lib", {{"A", "", "x"}}).File("F.CSV", "1,2");
  const SBNdtAry changes = {Entry(kOpAddOrReplace, MenuFile, "M.SST", "menu"),
                            Entry(kOpAddOrReplace, DocumentLibrary, "L.SSD", "lib", "A"),
                            Entry(kOpAddOrReplace, DocumentLibrary, "L.SSD", "lib"),
                            Entry(kOpDelete, CommonLibrary, "C.SSV", "gone"), Entry(kOpUnset, OtherFile, "F.CSV")};
  const std::string text = "comment";
  ASSERT_EQ(WriteDiffFile(Diff(), Menu(), changes, &text), 0);
  SBNdtAry back;
  std::string description;
  ASSERT_EQ(LoadDiffDirectory(Diff(), back, &description), 0);
  ASSERT_EQ(back.size(), changes.size());
  for (std::size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].op, changes[i].op);
    EXPECT_EQ(back[i].type, changes[i].type);
    EXPECT_EQ(back[i].name, changes[i].name);
    EXPECT_EQ(back[i].title, changes[i].title);
    EXPECT_EQ(back[i].member, changes[i].member);
  }
  EXPECT_EQ(description, "comment");
  EXPECT_TRUE(CheckDiffFile(Diff(), &back, &description).ok());
}

TEST_F(DiffFileTest, RefusalsLeaveNoPartialFileAndKeepTheEarlierOne) {
  build_.File("A.KKK", std::string(70000, 'a')).Library("L.SSD", "lib", {{"D", "", std::string(50000, 'd')}});
  WriteFile(Diff(), "earlier diff");
  EXPECT_EQ(WriteDiffFile(Diff(), Menu(), {}, nullptr), -1);
  EXPECT_EQ(WriteDiffFile(Diff(), Menu(), {Entry(0, OtherFile, "A.KKK"), Entry(0, OtherFile, "MISSING")}, nullptr), -1);
  EXPECT_EQ(WriteDiffFile(Diff(), Menu(), {Entry(0, DocumentLibrary, "L.SSD", "lib", "NOPE")}, nullptr), -1);
  EXPECT_EQ(ReadFile(Diff()), "earlier diff");
  EXPECT_EQ(Leftovers(), 0);

  // Without an earlier file, none is left either.
  std::filesystem::remove(Diff());
  EXPECT_EQ(WriteDiffFile(Diff(), Menu(), {Entry(0, OtherFile, "MISSING")}, nullptr), -1);
  EXPECT_FALSE(Exists(Diff()));
  WriteFile(Diff(), "earlier diff");

  // A full disk, a short read or a failed flush, close or replace at every point of a real write.
  const SBNdtAry changes = {Entry(0, OtherFile, "A.KKK"), Entry(1, MenuFile, "X.SST"),
                            Entry(0, DocumentLibrary, "L.SSD", "lib", "D")};
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.ResetCounts();
  ASSERT_EQ(WriteDiffFile(out_dir_ + "probe.kmd", Menu(), changes, nullptr), 0);
  const std::string complete = ReadFile(out_dir_ + "probe.kmd");
  std::filesystem::remove(out_dir_ + "probe.kmd");
  const int writes = faults.Count(FaultOp::kWrite);
  const int reads = faults.Count(FaultOp::kRead);
  EXPECT_GT(writes, 10);
  for (FaultOp op : {FaultOp::kWrite, FaultOp::kRead, FaultOp::kClose, FaultOp::kFlush, FaultOp::kReplace,
                     FaultOp::kCreate, FaultOp::kOpenRead, FaultOp::kSeek}) {
    const int total = op == FaultOp::kWrite ? writes : op == FaultOp::kRead ? reads : 6;
    for (int k = 1; k <= total; ++k) {
      SCOPED_TRACE(std::string(FaultOpName(op)) + " #" + std::to_string(k));
      faults.FailNth(op, k);
      const int r = WriteDiffFile(Diff(), Menu(), changes, nullptr);
      if (!faults.Fired()) {
        WriteFile(Diff(), "earlier diff");
        break;
      }
      // Either refused with the earlier file intact, or (a fault that does not matter, such as a
      // failed close of a source) the complete diff.
      ASSERT_EQ(ReadFile(Diff()), r == 0 ? complete : "earlier diff") << r;
      ASSERT_EQ(Leftovers(), 0);
      if (r == 0) WriteFile(Diff(), "earlier diff");
    }
  }
}

TEST_F(DiffFileTest, OpenRejectsOtherFilesAndFlagsCutDirectories) {
  SBNdtAry changes;
  std::string description;
  WriteFile(Diff(), MenuFileBytes("menu"));
  EXPECT_EQ(OpenDiffFile(Diff(), changes, description), -4);
  EXPECT_EQ(LoadDiffDirectory(Diff(), changes, &description), -1);
  EXPECT_EQ(LoadDiffDirectory(out_dir_ + "missing.kmd", changes, &description), -1);

  const std::string header0 = std::string("\x71\x0B\x00\x00", 4) + U32(0) + U32(0) + U32(0) + std::string(48, '\0');
  WriteFile(Diff(), header0 + std::string("\x00\x00", 2));
  int fd = OpenDiffFile(Diff(), changes, description);
  ASSERT_GE(fd, 0);  // version 0 is accepted
  EXPECT_EQ(FileErrorFlags, 0u);
  FileClose(fd);

  // A negative entry count, and a name string with a negative count.
  WriteFile(Diff(), header0 + std::string("\xFF\xFF", 2));
  fd = OpenDiffFile(Diff(), changes, description);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(changes.empty());
  EXPECT_TRUE(FileErrorFlags & FERR_BADDATA);
  FileClose(fd);
  WriteFile(Diff(), header0 + std::string("\x02\x00", 2) + U32(0) + U32(0) + std::string("\x00\x90", 2) + "junk");
  fd = OpenDiffFile(Diff(), changes, description);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(FileErrorFlags & FERR_BADDATA);
  EXPECT_LE(changes.size(), 1u);
  FileClose(fd);
  EXPECT_EQ(CheckDiffFile(Diff(), &changes, &description).fault, DiffFault::kDirectoryCut);
}

TEST_F(DiffFileTest, CheckFindsBlocksThatDoNotFit) {
  build_.File("A.KKK", "abc").Library("L.SSD", "lib", {{"D", "s", "data"}});
  const SBNdtAry changes = {Entry(0, OtherFile, "A.KKK"), Entry(0, DocumentLibrary, "L.SSD", "lib", "D")};
  ASSERT_EQ(WriteDiffFile(Diff(), Menu(), changes, nullptr, nullptr, kPlain), 0);
  const std::string good = ReadFile(Diff());
  const std::size_t first = 64 + DiffDirectorySize(changes);
  SBNdtAry back;
  std::string description;
  auto check = [&](const std::string& bytes) {
    WriteFile(Diff(), bytes);
    return CheckDiffFile(Diff(), &back, &description);
  };
  EXPECT_TRUE(check(good).ok());
  EXPECT_EQ(check(good + "x").fault, DiffFault::kTrailingBytes);
  EXPECT_EQ(check(good.substr(0, good.size() - 1)).fault, DiffFault::kBlockPastEnd);
  std::string bad = good;
  bad.replace(first, 4, U32(7));  // a file block too short for its flag and stamp
  EXPECT_EQ(check(bad).fault, DiffFault::kFileBlockShort);
  bad = good;
  const std::size_t second = first + 4 + 11;
  bad.replace(second + 4 + 4 + 4, 4, U32(3));  // data length one short of the block
  const DiffCheck c = check(bad);
  EXPECT_EQ(c.fault, DiffFault::kDocumentBlockBad);
  EXPECT_EQ(c.entry, 1);
  // The ops of a file are the format's three: a replacement turned deletion, or one carrying the
  // dialogs' excluded mark, is refused where it stands.
  for (std::uint32_t op : {1u, 0x1000u, 0x1001u, 2u}) {
    bad = good;
    bad.replace(64 + 2, 4, U32(op));
    const DiffCheck flipped = check(bad);
    EXPECT_EQ(flipped.fault, op == 1 ? DiffFault::kDeletionWithData : DiffFault::kUnknownOp) << op;
    EXPECT_EQ(flipped.entry, 0);
  }
}

TEST_F(DiffFileTest, TheExcludedMarkNeverReachesAFile) {
  build_.File("A.KKK", "abc");
  SBNdtAry changes = {Entry(0, OtherFile, "A.KKK")};
  changes[0].op |= kOpExcluded;
  EXPECT_EQ(WriteDiffFile(Diff(), Menu(), changes, nullptr), -1);
  EXPECT_FALSE(Exists(Diff()));
  EXPECT_EQ(Leftovers(), 0);
}

TEST(SafeNames, OnlyPlainFileNamesPass) {
  for (const char* good : {"A.SST", "a b.csv", "\x95\x5c.SSD", "SBN2ab.cde", "CON.SST"}) {
    EXPECT_TRUE(IsSafeFileName(good, false)) << good;
  }
  for (const char* bad : {"", ".", "..", "../x", "/etc/passwd", "a\\b", "C:x", "a\tb", "SBN0ab.cde",
                          "sbn1AB.CDE", "xxxxxx.tmp", "\x82", "A.TXT.", "A.TXT ", "QUARVEL.LCK.", "QUARVEL.JNL ",
                          "XXXXXX.TMP.", "A. "}) {
    EXPECT_FALSE(IsSafeFileName(bad, false)) << bad;
    EXPECT_FALSE(IsSafeFileName(bad, true)) << bad;
  }
  for (const char* device : {"CON", "con.sst", "NUL.txt", "COM1", "lpt9.x", "AUX"}) {
    EXPECT_FALSE(IsSafeFileName(device, true)) << device;
  }
  EXPECT_TRUE(IsSafeFileName("COM0.SST", true));
  EXPECT_TRUE(IsSafeFileName("CONSOLE.SST", true));
}

}  // namespace
}  // namespace quarvel
