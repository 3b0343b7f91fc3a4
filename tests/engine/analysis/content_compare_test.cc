#include "engine/analysis/content_compare.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace quarvel {
namespace {

// Pairs of files in two directories, each with the answer its bytes give.
class PairSet {
 public:
  explicit PairSet(const TempDir& dir) : a_(dir.Sub("a")), b_(dir.Sub("b")) {}

  // A pair whose listings give the sizes of the bytes written, unless told otherwise. `lowerB`: the
  // second file stands under the lower-cased name, which its listing gives upper-cased.
  void Add(const std::string& bytesA, const std::string* bytesB, std::int64_t listedB = -1, bool lowerB = false) {
    const std::string name = "F" + std::to_string(listed_a_.size()) + ".DAT";
    WriteFile(a_ + name, bytesA);
    if (bytesB != nullptr) WriteFile(b_ + (lowerB ? "f" + std::to_string(listed_a_.size()) + ".dat" : name), *bytesB);
    listed_a_.push_back({name, 0, bytesA.size()});
    const std::uint64_t sizeB = listedB >= 0 ? static_cast<std::uint64_t>(listedB) : bytesB ? bytesB->size() : 0;
    listed_b_.push_back({name, 0, sizeB});
    expected_.push_back(bytesB != nullptr && *bytesB == bytesA && sizeB == bytesA.size() ? 1 : 0);
  }

  std::vector<std::uint8_t> Compare(ReadFailure* failure = nullptr) const {
    std::vector<ListedPair> pairs;
    for (std::size_t i = 0; i < listed_a_.size(); ++i) pairs.push_back({&listed_a_[i], &listed_b_[i]});
    ReadFailure ignored;
    const std::vector<std::uint8_t> same = SameFilesBytes(a_, b_, pairs, failure != nullptr ? failure : &ignored);
    if (failure == nullptr) {
      EXPECT_FALSE(ignored.failed()) << ignored.path;
    }
    return same;
  }
  const std::string& a() const { return a_; }
  const std::string& b() const { return b_; }

  const std::vector<std::uint8_t>& expected() const { return expected_; }

 private:
  std::string a_, b_;
  std::vector<FoundFile> listed_a_, listed_b_;
  std::vector<std::uint8_t> expected_;
};

// Many pairs of every kind, so that both threads take some of each.
void AddEveryKind(PairSet& set) {
  const std::string big = Bytes(kBulkChunk + 3, 6);
  std::string big_late = big;
  big_late[kBulkChunk + 1] ^= 1;  // in the second chunk
  const std::string chunk = Bytes(kBulkChunk, 7);
  std::string chunk_last = chunk;
  chunk_last.back() ^= 1;
  set.Add(big, &big);
  set.Add(big, &big_late);
  set.Add(chunk, &chunk);
  set.Add(chunk, &chunk_last);
  for (unsigned i = 0; i < 300; ++i) {
    const std::string bytes = Bytes(i * 7 % 500, i);
    std::string first = bytes, last = bytes;
    if (!bytes.empty()) {
      first.front() ^= 0x40;
      last.back() ^= 0x01;
    }
    const std::string longer = bytes + "x";
    switch (i % 7) {
      case 0: set.Add(bytes, &bytes); break;
      case 6: set.Add(bytes, &bytes, -1, true); break;       // found under another case
      case 1: set.Add(bytes, &first); break;
      case 2: set.Add(bytes, &last); break;
      case 3: set.Add(bytes, nullptr); break;                 // missing on one side
      case 4: set.Add(bytes, &bytes, bytes.size() + 1); break;  // listed sizes differ: not opened
      case 5: set.Add(bytes, &longer, bytes.size()); break;     // grew after the listing
    }
  }
}

TEST(SameFilesBytes, EveryPairAsItsBytesSayOnOneThreadOrTwo) {
  TempDir dir;
  PairSet set(dir);
  AddEveryKind(set);
  // The host's platform lets a second thread take pairs; the fault platform keeps to one.
  EXPECT_EQ(set.Compare(), set.expected());
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  EXPECT_EQ(set.Compare(), set.expected());
  EXPECT_EQ(faults.Count(FaultOp::kOpenRead), faults.Count(FaultOp::kClose));
}

TEST(SameFilesBytes, FilesPastFourGibibytesAreComparedToTheirLastByte) {
#ifdef _WIN32
  GTEST_SKIP() << "16 GiB read from sparse files, which on the Windows suite's disk takes minutes";
#endif
  // Sparse files: only their last bytes are written.
  TempDir dir;
  const std::uint64_t size = (std::uint64_t{1} << 32) + 2;
  std::vector<FoundFile> a, b;
  for (const char* name : {"SAME.DAT", "LAST.DAT"}) {
    for (const std::string& side : {dir.Sub("a"), dir.Sub("b")}) {
      WriteFile(side + name, "");
      std::filesystem::resize_file(side + name, size);
      std::fstream f(side + name, std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(static_cast<std::streamoff>(size - 1));
      f.put(side == dir.Sub("b") && std::string(name) == "LAST.DAT" ? 'y' : 'x');
    }
    a.push_back({name, 0, size});
    b.push_back({name, 0, size});
  }
  ReadFailure failure;
  EXPECT_EQ(SameFilesBytes(dir.Sub("a"), dir.Sub("b"), {{&a[0], &b[0]}, {&a[1], &b[1]}}, &failure),
            (std::vector<std::uint8_t>{1, 0}));
  EXPECT_FALSE(failure.failed());
}

// A file that is there but cannot be read must not pass for a changed one: the comparison fails,
// naming it, whichever thread met it; a file that vanished since its listing is only a difference.
TEST(SameFilesBytes, AFileThatCannotBeReadFailsTheComparisonAndIsNamed) {
  TempDir dir;
  PairSet set(dir);
  const std::string bytes = Bytes(100, 1);
  for (int i = 0; i < 3; ++i) set.Add(bytes, &bytes);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  ReadFailure failure;
  faults.FailNth(FaultOp::kRead, 4);  // the second pair's second file ends short, at its full size
  EXPECT_EQ(set.Compare(&failure), (std::vector<std::uint8_t>{0, 0, 0}));
  EXPECT_EQ(failure.path, set.b() + "F1.DAT");
  EXPECT_EQ(failure.code, kPlatformFailed);
  EXPECT_EQ(faults.Count(FaultOp::kOpenRead), faults.Count(FaultOp::kClose));

  faults.FailNth(FaultOp::kCount, 0);
  faults.FailOpensOf(set.a() + "F2", kPlatformDenied);
  EXPECT_EQ(set.Compare(&failure), (std::vector<std::uint8_t>{0, 0, 0}));
  EXPECT_EQ(failure.path, set.a() + "F2.DAT");
  EXPECT_EQ(failure.code, kPlatformDenied);

  faults.FailOpensOf(set.a() + "F2", kPlatformNotFound);
  EXPECT_EQ(set.Compare(&failure), (std::vector<std::uint8_t>{1, 1, 0}));
  EXPECT_FALSE(failure.failed());
}

TEST(SameFilesBytes, ProgressComesFromTheCallingThreadAndCountsEveryEqualByte) {
  TempDir dir;
  PairSet set(dir);
  std::uint64_t total = 0;
  for (unsigned i = 0; i < 40; ++i) {
    const std::string bytes = Bytes(i % 4 == 0 ? kBulkChunk + i : i * 100, i);
    set.Add(bytes, &bytes);
    total += bytes.size();
  }
  std::uint64_t reported = 0;
  bool elsewhere = false;
  const std::thread::id caller = std::this_thread::get_id();
  SetCopyProgress([&](std::uint64_t n) {
    reported += n;
    elsewhere = elsewhere || std::this_thread::get_id() != caller;
  });
  EXPECT_EQ(set.Compare(), set.expected());
  SetCopyProgress(nullptr);
  EXPECT_EQ(reported, total);
  EXPECT_FALSE(elsewhere);
}

}  // namespace
}  // namespace quarvel
