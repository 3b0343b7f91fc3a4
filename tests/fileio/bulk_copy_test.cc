// The bulk paths give exactly the bytes of the plain read-and-write copy: through the host's copy and
// without it, at every size around the chunk, with write-back started on the way and faults on each.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fileio/fileio.h"
#include "support/fault_platform.h"
#include "support/host_rules.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace quarvel {
namespace {

// Copies `data` (at an offset in its file, to an offset in the output) and returns what landed.
std::string CopyThrough(FaultPlatform& faults, bool kernel, const std::string& dir, const std::string& data) {
  faults.set_kernel_copy(kernel);
  std::filesystem::remove(dir + "dst");
  WriteFile(dir + "src", "head" + data);
  const int in = FileOpenRead(dir + "src");
  const int out = FileCreate(dir + "dst");
  FileWrite(out, "pre", 3);
  FileSeek(in, 4);
  const int r = FileCopyBytes(in, out, static_cast<std::uint32_t>(data.size()));
  EXPECT_EQ(r, 0);
  FileClose(in);
  EXPECT_EQ(FileCloseWritten(out), 0);
  return ReadFile(dir + "dst");
}

TEST(BulkCopy, EveryPathGivesTheBytesOfThePlainCopyAtEverySize) {
  TempDir dir;
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  for (std::size_t n : {std::size_t{1}, std::size_t{kCopyChunk}, std::size_t{kCopyChunk} + 1,
                        std::size_t{kBulkChunk} - 1, std::size_t{kBulkChunk}, std::size_t{kBulkChunk} + 1,
                        std::size_t{3} * kBulkChunk + 17}) {
    const std::string data = Bytes(n, static_cast<unsigned>(n));
    EXPECT_EQ(CopyThrough(faults, false, dir.path(), data), "pre" + data) << n << " bytes, read and write";
    EXPECT_EQ(CopyThrough(faults, true, dir.path(), data), "pre" + data) << n << " bytes, host copy";
  }
  // An empty file: nothing to copy, nothing read.
  faults.ResetCounts();
  WriteFile(dir.path() + "empty", "");
  const int in = FileOpenRead(dir.path() + "empty");
  const int out = FileCreate(dir.path() + "out");
  EXPECT_EQ(FileCopyBytes(in, out, 0), 0);
  FileClose(in);
  FileCloseWritten(out);
  EXPECT_EQ(ReadFile(dir.path() + "out"), "");
}

TEST(BulkCopy, LargeCopiesStartWriteBackAndAFileShorterThanCountedFails) {
  TempDir dir;
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  const std::string data = Bytes(3 * kWriteBackStep + 5, 3);
  EXPECT_EQ(CopyThrough(faults, true, dir.path(), data), "pre" + data);
  // The step-aligned windows of the output that lie wholly behind its end, each handed once.
  const std::vector<std::pair<std::int64_t, std::int64_t>> windows = {
      {0, kWriteBackStep}, {kWriteBackStep, kWriteBackStep}, {2 * std::int64_t{kWriteBackStep}, kWriteBackStep}};
  EXPECT_EQ(faults.WriteBackRanges(), windows);
  // A source that ends early is a short read on either path.
  for (bool kernel : {false, true}) {
    faults.set_kernel_copy(kernel);
    WriteFile(dir.path() + "short", Bytes(kBulkChunk + 10, 4));
    const int in = FileOpenRead(dir.path() + "short");
    const int out = FileCreate(dir.path() + "out" + std::to_string(kernel));
    EXPECT_EQ(FileCopyBytes(in, out, kBulkChunk + 11), -1);
    EXPECT_TRUE(FileErrorFlags & FERR_BADDATA);
    FileClose(in);
    FileCloseWritten(out);
  }
}

TEST(BulkCopy, ManyShortCopiesIntoOneFileAreWrittenBehindAsOneLongCopy) {
  TempDir dir;
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  const std::string data = Bytes(3 * kWriteBackStep + 5, 6);
  WriteFile(dir.path() + "src", data);
  for (bool kernel : {false, true}) {
    SCOPED_TRACE(kernel ? "host copy" : "read and write");
    faults.set_kernel_copy(kernel);
    const std::size_t before = faults.WriteBackRanges().size();
    const int in = FileOpenRead(dir.path() + "src");
    const int out = FileCreate(dir.path() + "dst" + std::to_string(kernel));
    FileWrite(out, "pre", 3);
    // Pieces of a prime length, so that no copy ends on a window's edge.
    for (std::size_t done = 0; done < data.size();) {
      const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(100003, data.size() - done));
      ASSERT_EQ(FileCopyBytes(in, out, n), 0);
      done += n;
    }
    FileClose(in);
    ASSERT_EQ(FileCloseWritten(out), 0);
    EXPECT_EQ(ReadFile(dir.path() + "dst" + std::to_string(kernel)), "pre" + data);
    const std::vector<std::pair<std::int64_t, std::int64_t>> handed(faults.WriteBackRanges().begin() + before,
                                                                    faults.WriteBackRanges().end());
    const std::vector<std::pair<std::int64_t, std::int64_t>> windows = {
        {0, kWriteBackStep}, {kWriteBackStep, kWriteBackStep}, {2 * std::int64_t{kWriteBackStep}, kWriteBackStep}};
    EXPECT_EQ(handed, windows);
  }
}

TEST(BulkCopy, AFailedHostCopyIsAFailedWriteUnlessTheSourceCannotBeRead) {
  POSIX_HOST_ONLY("a copy inside the host between two descriptors, which Windows has not (it reads and writes)");
  TempDir dir;
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.set_kernel_copy(true);
  WriteFile(dir.path() + "src", Bytes(2 * kBulkChunk, 5));
  for (int nth : {1, 2}) {
    faults.FailNth(FaultOp::kCopy, nth);
    const int in = FileOpenRead(dir.path() + "src");
    const int out = FileCreate(dir.path() + "dst" + std::to_string(nth));
    EXPECT_EQ(FileCopyBytes(in, out, 2 * kBulkChunk), -1);
    EXPECT_TRUE(FileErrorFlags & FERR_DISKFULL);
    EXPECT_TRUE(faults.Fired());
    FileClose(in);
    FileCloseWritten(out);
  }
  // Unless the source cannot be read either: then it is a failed read, and no full disk is claimed.
  faults.FailNth(FaultOp::kCopy, 1);
  faults.AlsoFailFrom(FaultOp::kRead, 1);
  const int in = FileOpenRead(dir.path() + "src");
  const int out = FileCreate(dir.path() + "dst3");
  EXPECT_EQ(FileCopyBytes(in, out, 2 * kBulkChunk), -1);
  EXPECT_TRUE(FileErrorFlags & FERR_BADDATA);
  EXPECT_FALSE(FileErrorFlags & FERR_DISKFULL);
  FileClose(in);
  FileCloseWritten(out);
}

}  // namespace
}  // namespace quarvel
