// The Windows side of the behaviours that differ between hosts: names without regard to case, a
// read-only file refusing deletion, rename refusing an existing name, the attributes that hide a file,
// stamps through local file times, the directory lock, drives and "\".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/win32_text.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

// CP932 of 見積 and of 表 (whose trail byte is "\").
const char kMitsumori[] = "\x8C\xA9\x90\xCF";
const char kHyo[] = "\x95\x5C";

std::vector<std::string> Names(const std::vector<FoundFile>& found) {
  std::vector<std::string> names;
  for (const FoundFile& f : found) names.push_back(f.name);
  return names;
}

TEST(Win32Platform, NamesIgnoreCaseAndKeepTheirOwnSpelling) {
  TempDir dir;
  Platform& host = NativePlatform();
  const std::string name = std::string(kMitsumori) + "Menu.SST";
  WriteFile(dir.path() + "placeholder", "");
  int fd = host.Open(dir.path() + name, OpenMode::kCreateNew);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(host.Write(fd, "abc", 3), 3);
  ASSERT_EQ(host.Close(fd), 0);
  // Any case finds the file, and the listing gives the name as it was made.
  const std::string other = std::string(kMitsumori) + "mENU.sst";
  std::uint32_t attrs = 1;
  ASSERT_EQ(host.GetAttributes(dir.path() + other, &attrs), 0);
  EXPECT_EQ(attrs, 0u);
  std::vector<std::string> names;
  ASSERT_EQ(host.FindNames(dir.path() + other, &names), 0);
  EXPECT_EQ(names, std::vector<std::string>{name});
  // Creating under another case is creating over the same file.
  EXPECT_LT(host.Open(dir.path() + other, OpenMode::kCreateNew), 0);
  std::vector<FoundFile> found;
  ASSERT_EQ(host.FindFiles(dir.path() + "*.sst", &found), 0);
  EXPECT_EQ(Names(found), std::vector<std::string>{name});
  // Wildcards are no part of a name.
  ASSERT_EQ(host.FindNames(dir.path() + "*.SST", &names), 0);
  EXPECT_TRUE(names.empty());
}

TEST(Win32Platform, ReadOnlyRefusesDeletionAndRenameRefusesAnExistingName) {
  TempDir dir;
  Platform& host = NativePlatform();
  WriteFile(dir.path() + "A.CSV", "a");
  WriteFile(dir.path() + "B.CSV", "b");
  ASSERT_EQ(host.SetAttributes(dir.path() + "A.CSV", kAttrReadOnly), 0);
  EXPECT_EQ(host.Remove(dir.path() + "A.CSV"), kPlatformDenied);
  ASSERT_EQ(host.SetAttributes(dir.path() + "A.CSV", 0), 0);
  EXPECT_EQ(host.Rename(dir.path() + "A.CSV", dir.path() + "B.CSV"), kPlatformFailed);
  EXPECT_EQ(ReadFile(dir.path() + "B.CSV"), "b");
  ASSERT_EQ(host.ReplaceFile(dir.path() + "A.CSV", dir.path() + "B.CSV"), 0);
  EXPECT_EQ(ReadFile(dir.path() + "B.CSV"), "a");
  EXPECT_EQ(host.Remove(dir.path() + "A.CSV"), kPlatformNotFound);
  // A directory is neither opened, removed nor given attributes as a file.
  const std::string sub = dir.Sub("SUB.CSV");
  EXPECT_EQ(host.Open(dir.path() + "SUB.CSV", OpenMode::kRead), kPlatformFailed);
  EXPECT_EQ(host.Remove(dir.path() + "SUB.CSV"), kPlatformFailed);
  EXPECT_EQ(host.SetAttributes(dir.path() + "SUB.CSV", kAttrReadOnly), kPlatformFailed);
  std::uint32_t attrs = 0;
  ASSERT_EQ(host.GetAttributes(sub, &attrs), 0);
  EXPECT_EQ(attrs, kAttrDirectory);
}

TEST(Win32Platform, ListingsLeaveOutHiddenSystemAndDirectoriesAndSortAsOnPosix) {
  TempDir dir;
  Platform& host = NativePlatform();
  for (const char* n : {"c.sst", "B.SST", "a.SST", "H.SST", "S.SST", "x.sstx"}) WriteFile(dir.path() + n, n);
  dir.Sub("D.SST");
  std::wstring wide;
  ASSERT_TRUE(Cp932ToWide(dir.path() + "H.SST", &wide));
  ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(Cp932ToWide(dir.path() + "S.SST", &wide));
  ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_SYSTEM));
  std::vector<FoundFile> found;
  ASSERT_EQ(host.FindFiles(dir.path() + "*.SST", &found), 0);
  EXPECT_EQ(Names(found), (std::vector<std::string>{"a.SST", "B.SST", "c.sst"}));
  // One search for several masks: the same rules and order, each file once, with its size.
  WriteFile(dir.path() + "b.csv", "12345");
  ASSERT_EQ(host.FindFilesAny(dir.path(), {"*.CSV", "*.SST", "?.sst"}, &found), 0);
  EXPECT_EQ(Names(found), (std::vector<std::string>{"a.SST", "b.csv", "B.SST", "c.sst"}));
  EXPECT_EQ(found[1].size, 5u);
  // A missing directory is no empty one.
  ASSERT_EQ(host.FindFiles(dir.path() + "missing\\*.*", &found), kPlatformNotFound);
  EXPECT_TRUE(found.empty());
  std::vector<std::string> subs;
  ASSERT_EQ(host.ListSubdirectories(dir.path(), &subs), 0);
  EXPECT_EQ(subs, std::vector<std::string>{"D.SST"});
  const std::vector<std::string> roots = host.Roots();
  ASSERT_FALSE(roots.empty());
  EXPECT_EQ(roots[0].substr(1), ":\\");
}

TEST(Win32Platform, StampsAndNamesWithTrailByte5CRoundTrip) {
  TempDir dir;
  Platform& host = NativePlatform();
  const std::string name = dir.path() + kHyo + "A.TXT";
  int fd = host.Open(name, OpenMode::kCreateNew);
  ASSERT_GE(fd, 0);
  const std::uint32_t stamp = MakeDosStamp(2001, 7, 4, 9, 30, 12);
  ASSERT_EQ(host.SetStampFd(fd, stamp), 0);
  EXPECT_EQ(host.SetStampFd(fd, MakeDosStamp(2024, 13, 1, 0, 0, 0)), kPlatformFailed);
  ASSERT_EQ(host.Close(fd), 0);
  std::uint32_t got = 0;
  ASSERT_EQ(host.GetStamp(name, &got), 0);
  EXPECT_EQ(got, stamp);
  std::vector<FoundFile> found;
  ASSERT_EQ(host.FindFiles(dir.path() + "*.TXT", &found), 0);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, std::string(kHyo) + "A.TXT");
  EXPECT_EQ(found[0].stamp, stamp);
  // Offsets past 4 GiB without writing that much.
  fd = host.Open(name, OpenMode::kReadWriteCreate);
  ASSERT_GE(fd, 0);
  const std::int64_t beyond = (std::int64_t{1} << 32) + 5;
  EXPECT_EQ(host.Seek(fd, beyond), beyond);
  EXPECT_EQ(host.Tell(fd), beyond);
  ASSERT_EQ(host.Write(fd, "z", 1), 1);
  EXPECT_EQ(host.Size(fd), beyond + 1);
  ASSERT_EQ(host.Close(fd), 0);
}

TEST(Win32Platform, TheLockIsHeldUntilItsFileIsRemovedAndClosed) {
  TempDir dir;
  Platform& host = NativePlatform();
  const std::string lock = dir.path() + "QUARVEL.LCK";
  EXPECT_EQ(host.ProbeLock(lock), 0);
  int fd = -1;
  ASSERT_EQ(host.LockFile(lock, &fd), 0);
  ASSERT_EQ(host.Write(fd, "pid", 3), 3);
  // Windows locks are per handle: a second open of the file meets the lock, while its text stays
  // readable.
  int other = -1;
  EXPECT_EQ(host.LockFile(lock, &other), kPlatformBusy);
  EXPECT_EQ(host.ProbeLock(lock), kPlatformBusy);
  EXPECT_EQ(ReadFile(lock), "pid");
  EXPECT_EQ(host.Remove(lock), 0);
  EXPECT_EQ(host.Close(fd), 0);
  EXPECT_FALSE(Exists(lock));
  EXPECT_EQ(host.ProbeLock(lock), 0);
  ASSERT_EQ(host.LockFile(lock, &fd), 0);
  EXPECT_EQ(host.Remove(lock), 0);
  EXPECT_EQ(host.Close(fd), 0);
}

}  // namespace
}  // namespace quarvel
