#include "fileio/fileio.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fileio/work_names.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

TEST(FileErrorWord, OpensClearItAndOtherCallsOnlySetBits) {
  TempDir dir;
  FileErrorFlags = FERR_DISKFULL | FERR_BADDATA;
  EXPECT_LT(FileOpenRead(dir.path() + "missing"), 0);
  EXPECT_EQ(FileErrorFlags, FERR_NOTFOUND);

  WriteFile(dir.path() + "f", std::string(10, 'a'));
  const int fd = FileOpenRead(dir.path() + "f");
  ASSERT_GE(fd, 0);
  EXPECT_EQ(FileErrorFlags, 0u);
  char buf[20];
  EXPECT_EQ(FileRead(fd, buf, 20), 10);
  EXPECT_EQ(FileErrorFlags, FERR_BADDATA);
  // The bit stays: a counted copy now fails after its first chunk, although that chunk was read whole.
  const int out = FileCreate(dir.path() + "out");
  FileErrorFlags |= FERR_BADDATA;
  FileSeek(fd, 0);
  EXPECT_EQ(FileCopyBytes(fd, out, 5), -1);
  FileClose(fd);
  FileCloseWritten(out);
}

TEST(FileCreate, DoesNotTruncate) {
  TempDir dir;
  const std::string f = dir.path() + "f";
  WriteFile(f, std::string(100, 'x'));
  const int fd = FileCreate(f);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(FileWrite(fd, "0123456789", 10), 10);
  EXPECT_EQ(FileCloseWritten(fd), 0);
  EXPECT_EQ(ReadFile(f), "0123456789" + std::string(90, 'x'));
}

TEST(FileCopyBytes, CopiesInBulkChunksAndReportsFailures) {
  TempDir dir;
  const std::uint32_t size = 2 * kBulkChunk + 1;
  std::string data(size, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  WriteFile(dir.path() + "src", data);

  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.ResetCounts();
  int in = FileOpenRead(dir.path() + "src");
  int out = FileCreate(dir.path() + "dst");
  ASSERT_EQ(FileCopyBytes(in, out, size), 0);
  EXPECT_EQ(faults.Count(FaultOp::kRead), 3);  // a chunk, a chunk, 1 byte
  FileClose(in);
  FileCloseWritten(out);
  EXPECT_EQ(ReadFile(dir.path() + "dst"), data);

  // A full disk on the second chunk: -1 in counted mode, -8 to the end.
  for (std::uint32_t n : {size, 0u}) {
    std::filesystem::remove(dir.path() + "dst");
    faults.FailNth(FaultOp::kWrite, 2);
    in = FileOpenRead(dir.path() + "src");
    out = FileCreate(dir.path() + "dst");
    EXPECT_EQ(FileCopyBytes(in, out, n), n == 0 ? -8 : -1);
    EXPECT_TRUE(FileErrorFlags & FERR_DISKFULL);
    FileClose(in);
    FileCloseWritten(out);
  }
  // To the end, a short read is no failure.
  std::filesystem::remove(dir.path() + "dst");
  in = FileOpenRead(dir.path() + "src");
  out = FileCreate(dir.path() + "dst");
  EXPECT_EQ(FileCopyBytes(in, out, 0), 0);
  EXPECT_EQ(FileErrorFlags, 0u);
  FileClose(in);
  FileCloseWritten(out);
  EXPECT_EQ(ReadFile(dir.path() + "dst"), data);
}

TEST(FilesEqual, ComparesChunksAndFailsOnEarlierReadError) {
  TempDir dir;
  std::string a(70000, 'q');
  std::string b = a;
  b[64005] = 'r';  // in the third chunk
  WriteFile(dir.path() + "a", a);
  WriteFile(dir.path() + "b", b);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  const int fa = FileOpenRead(dir.path() + "a");
  const int fb = FileOpenRead(dir.path() + "b");
  faults.ResetCounts();
  EXPECT_TRUE(FilesEqual(fa, fb, 0));
  EXPECT_EQ(faults.Count(FaultOp::kRead), 0);
  EXPECT_TRUE(FilesEqual(fa, fb, 64000));
  FileSeek(fa, 0);
  FileSeek(fb, 0);
  EXPECT_FALSE(FilesEqual(fa, fb, 70000));
  FileSeek(fa, 0);
  FileSeek(fb, 0);
  FileErrorFlags |= FERR_BADDATA;
  EXPECT_FALSE(FilesEqual(fa, fb, 10));
  FileClose(fa);
  FileClose(fb);
}

TEST(LString, EncodesEdgeCounts) {
  TempDir dir;
  const std::string f = dir.path() + "s";
  int fd = FileCreate(f);
  WriteLString(fd, "");
  WriteLString(fd, std::string(1022, 'a'));
  WriteLString(fd, std::string(1500, 'b'));
  FileCloseWritten(fd);
  EXPECT_EQ(ReadFile(f).substr(0, 3), std::string("\x01\x00\x00", 3));
  EXPECT_EQ(LStringSize("abc"), 6u);

  fd = FileOpenRead(f);
  std::string s = "junk";
  ReadLString(fd, s);
  EXPECT_EQ(s, "");
  ReadLString(fd, s);
  EXPECT_EQ(s, std::string(1022, 'a'));
  ReadLString(fd, s);
  EXPECT_EQ(s, std::string(1500, 'b'));
  EXPECT_EQ(FileErrorFlags, 0u);
  FileClose(fd);

  // N = 0 is empty and consumes two bytes; the value stops at its first 0 byte.
  WriteFile(f, std::string("\x00\x00\x04\x00" "ab\x00z", 8));
  fd = FileOpenRead(f);
  ReadLString(fd, s);
  EXPECT_EQ(s, "");
  EXPECT_EQ(FileTell(fd), 2);
  ReadLString(fd, s);
  EXPECT_EQ(s, "ab");
  FileClose(fd);

  // A negative count reads nothing more; a count past the end yields what was there.
  WriteFile(f, std::string("\x00\x80" "abc", 5));
  fd = FileOpenRead(f);
  ReadLString(fd, s);
  EXPECT_EQ(s, "");
  EXPECT_EQ(FileErrorFlags, FERR_BADDATA);
  EXPECT_EQ(FileTell(fd), 2);
  FileClose(fd);
  WriteFile(f, std::string("\x10\x00" "abc", 5));
  fd = FileOpenRead(f);
  ReadLString(fd, s);
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(FileErrorFlags, FERR_BADDATA);
  FileClose(fd);
}

TEST(StrUpperSjis, LeavesDoubleByteCharactersAlone) {
  std::string s = "abc.sst";
  EXPECT_EQ(StrUpperSjis(s), "ABC.SST");
  s = "\x82\x61x";  // trail byte 0x61 ('a')
  EXPECT_EQ(StrUpperSjis(s), "\x82\x61X");
  s = "a\x82";  // a lead byte at the end ends the scan
  EXPECT_EQ(StrUpperSjis(s), "A\x82");
}

TEST(RegisterTempFile, ReservesOneDistinct83NamePerLibrary) {
  TempDir dir;
  SFTbl table;
  EXPECT_EQ(RegisterTempFile(table, dir.path(), "A.SSD", "t"), 0);
  EXPECT_EQ(RegisterTempFile(table, dir.path(), "B.SSD", "u"), 1);
  EXPECT_EQ(RegisterTempFile(table, dir.path(), "A.SSD", "other"), 0);
  ASSERT_EQ(table.size(), 2u);
  for (const SFdt& e : table) {
    EXPECT_EQ(e.tempName.substr(0, 4), "SBN1");
    EXPECT_EQ(e.tempName.size(), 10u);
    EXPECT_EQ(e.tempName[6], '.');
    EXPECT_TRUE(Exists(dir.path() + e.tempName));
    EXPECT_EQ(ReadFile(dir.path() + e.tempName), "");
  }
  EXPECT_NE(table[0].tempName, table[1].tempName);
  EXPECT_EQ(table[0].title, "t");
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 2);
}

TEST(RegisterTempFile, FailsCleanlyWhenNoNameCanBeMade) {
  TempDir dir;
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  SFTbl table;
  faults.set_all_names_exist(true);
  EXPECT_EQ(RegisterTempFile(table, dir.path(), "A.SSD", "t"), -1);
  faults.set_all_names_exist(false);
  faults.FailNth(FaultOp::kCreate, 1);
  EXPECT_EQ(RegisterTempFile(table, dir.path(), "A.SSD", "t"), -1);
  EXPECT_TRUE(table.empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace quarvel
