// Comparing consecutive pieces of two files in one pass gives exactly what comparing them one by one
// with FilesEqual gave: the same results, the same progress and the same file-error word, across
// chunk boundaries and after a failed read.
#include <gtest/gtest.h>

#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace quarvel {
namespace {

// Compares `a` and `b` (the same length) as pieces and checks the results and the
// progress against FilesEqual piece by piece.
void ExpectPiecesAsFilesEqual(const std::string& dir, const std::string& a, const std::string& b,
                              const std::vector<std::uint32_t>& lengths) {
  WriteFile(dir + "a", "head" + a);
  WriteFile(dir + "b", "hd" + b);
  std::uint64_t progress = 0;
  SetCopyProgress([&](std::uint64_t n) { progress += n; });
  const int fa = FileOpenRead(dir + "a");
  const int fb = FileOpenRead(dir + "b");
  std::vector<bool> want;
  std::int64_t start = 0;
  for (std::uint32_t n : lengths) {
    FileSeek(fa, 4 + start);
    FileSeek(fb, 2 + start);
    want.push_back(FilesEqual(fa, fb, n));
    start += n;
  }
  const std::uint64_t want_progress = progress;
  const std::uint32_t want_flags = FileErrorFlags;
  progress = 0;
  FileSeek(fa, 4);
  FileSeek(fb, 2);
  std::vector<bool> got(3, false);
  FilePiecesEqual(fa, fb, lengths, &got);
  EXPECT_EQ(got, want);
  EXPECT_EQ(progress, want_progress);
  EXPECT_EQ(FileErrorFlags, want_flags);
  FileClose(fa);
  FileClose(fb);
  SetCopyProgress(nullptr);
}

TEST(FilePiecesEqual, GivesWhatFilesEqualGivesPieceByPiece) {
  TempDir dir;
  const std::uint32_t C = kCompareChunk, B = kBulkChunk;
  const std::vector<std::vector<std::uint32_t>> layouts = {
      {},
      {0},
      {0, 0, 5, 0},
      {1, 2, 3},
      {C - 1, 1, C, 1, C + 1},
      {B + 5, 0, 3, B - 1},
      {C / 2, C, C / 2, 7},
  };
  for (std::size_t l = 0; l < layouts.size(); ++l) {
    const std::vector<std::uint32_t>& lengths = layouts[l];
    std::size_t total = 0;
    for (std::uint32_t n : lengths) total += n;
    const std::string a = Bytes(total, static_cast<unsigned>(l) + 3);
    SCOPED_TRACE("layout " + std::to_string(l));
    ExpectPiecesAsFilesEqual(dir.path(), a, a, lengths);
    // One byte changed at each piece's first and last byte, at each chunk boundary and beside it.
    std::vector<std::size_t> at;
    std::size_t start = 0;
    for (std::uint32_t n : lengths) {
      if (n > 0) at.insert(at.end(), {start, start + n - 1});
      start += n;
    }
    for (std::size_t c : {std::size_t{C}, std::size_t{2} * C, total / C * C}) {
      if (c > 0) at.insert(at.end(), {c - 1, c});
    }
    at.push_back(total / 2 + B);
    for (std::size_t p : at) {
      if (p >= total) continue;
      std::string b = a;
      b[p] = static_cast<char>(b[p] ^ 0x40);
      SCOPED_TRACE("byte " + std::to_string(p));
      ExpectPiecesAsFilesEqual(dir.path(), a, b, lengths);
      // Two differences: one early in a piece and one further on in the same and in a later one.
      if (p + B + 3 < total) {
        b[p + B + 3] = static_cast<char>(b[p + B + 3] ^ 1);
        ExpectPiecesAsFilesEqual(dir.path(), a, b, lengths);
      }
    }
  }
}

TEST(FilePiecesEqual, AfterAFailedReadOnlyEmptyPiecesAreEqual) {
  TempDir dir;
  const std::uint32_t C = kCompareChunk;
  const std::string a = Bytes(3 * C, 9);
  WriteFile(dir.path() + "a", a);
  WriteFile(dir.path() + "b", a);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  const std::vector<std::uint32_t> lengths = {10, C, 0, C - 10, 0, C};
  for (int nth = 1; nth <= 6; ++nth) {
    SCOPED_TRACE("read " + std::to_string(nth));
    const int fa = FileOpenRead(dir.path() + "a");
    const int fb = FileOpenRead(dir.path() + "b");
    faults.FailNth(FaultOp::kRead, nth);
    std::vector<bool> got;
    FilePiecesEqual(fa, fb, lengths, &got);
    // Chunk (nth + 1) / 2 fails: the pieces that end before it are equal, the rest not unless empty.
    const std::uint64_t failed_from = static_cast<std::uint64_t>((nth - 1) / 2) * C;
    std::uint64_t start = 0;
    for (std::size_t k = 0; k < lengths.size(); ++k) {
      const bool before = start + lengths[k] <= failed_from;
      EXPECT_EQ(got[k], lengths[k] == 0 || before) << "piece " << k;
      start += lengths[k];
    }
    EXPECT_EQ(FileErrorFlags, FERR_BADDATA);
    // The word set already: nothing of nonzero length is equal.
    FileSeek(fa, 0);
    FileSeek(fb, 0);
    FilePiecesEqual(fa, fb, lengths, &got);
    EXPECT_EQ(got, (std::vector<bool>{false, false, true, false, true, false}));
    FileClose(fa);
    FileClose(fb);
  }
}

}  // namespace
}  // namespace quarvel
