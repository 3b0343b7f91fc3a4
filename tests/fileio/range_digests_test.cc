// Digests of a file's byte ranges, taken by the helper threads (or by Finish itself where the host
// cannot read from two threads) while the file is still being written: each is the plain SHA-256 of
// its bytes, in the order asked, and a range that cannot be read whole fails them all instead of
// becoming a digest.
#include "fileio/range_digests.h"

#include <gtest/gtest.h>

#include "fileio/fileio.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace quarvel {
namespace {

constexpr std::uint64_t C = kCompareChunk;

struct Span {
  std::uint64_t offset, length;
};

Sha256Digest PlainDigest(const std::string& bytes, const std::string& prefix = "") {
  const std::string all = prefix + bytes;
  Sha256Digest d{};
  EXPECT_TRUE(DigestOf(all.data(), all.size(), &d));
  return d;
}

std::string Part(const std::string& bytes, const Span& s) {
  return bytes.substr(static_cast<std::size_t>(s.offset), static_cast<std::size_t>(s.length));
}

// Asks for `spans` of `path` and returns what Finish gave, or nothing when it refused.
bool DigestsOf(const std::string& path, const std::vector<Span>& spans, std::vector<Sha256Digest>* got) {
  RangeDigests digests(path);
  for (const Span& s : spans) digests.Add(s.offset, s.length);
  return digests.Finish(got);
}

// The two ways the digests are taken: two helper threads on the native host, none through a
// platform that does not read concurrently (and that counts and fails operations).
class RangeDigestsTest : public ::testing::TestWithParam<bool> {
 protected:
  RangeDigestsTest() : fault_(NativePlatform()), host_(GetParam() ? &NativePlatform() : &fault_) {}
  FaultPlatform fault_;
  ScopedHost host_;
  TempDir dir_;
};

TEST_P(RangeDigestsTest, EachRangeHasThePlainDigestOfItsBytesInTheOrderAsked) {
  // Ranges asked for as a writer asks for its blocks: each right after its bytes were written, empty
  // ones, ones just under, at and over a read chunk, and the last bytes of the file.
  const std::string path = dir_.path() + "growing";
  const int fd = FileCreate(path);
  ASSERT_GE(fd, 0);
  const std::vector<std::uint64_t> lengths = {0, 1, C - 1, C, C + 1, 2 * C + 5, 0, 13, 4};
  std::string written;
  std::vector<Span> spans;
  {
    RangeDigests digests(path);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      const std::string block = Bytes(static_cast<std::size_t>(lengths[i]), static_cast<unsigned>(i));
      ASSERT_EQ(FileWrite(fd, block.data(), block.size()), static_cast<long>(block.size()));
      spans.push_back({written.size(), block.size()});
      digests.Add(written.size(), block.size());
      written += block;
    }
    std::vector<Sha256Digest> got;
    ASSERT_TRUE(digests.Finish(&got));
    ASSERT_EQ(got.size(), spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i) EXPECT_EQ(got[i], PlainDigest(Part(written, spans[i]))) << i;
  }
  ASSERT_EQ(FileCloseWritten(fd), 0);

  // Many overlapping ranges of a finished file, the whole file and an empty one at its end among them:
  // the helpers take them in turns, and each digest still lands in its own place.
  std::vector<Span> many = {{0, written.size()}, {written.size(), 0}, {written.size() - 1, 1}};
  for (std::uint64_t i = 0; i < 300; ++i) {
    const std::uint64_t length = (i * 4099) % (C + 300);
    many.push_back({(i * 7919) % (written.size() - length), length});
  }
  std::vector<Sha256Digest> got;
  ASSERT_TRUE(DigestsOf(path, many, &got));
  ASSERT_EQ(got.size(), many.size());
  for (std::size_t i = 0; i < many.size(); ++i) EXPECT_EQ(got[i], PlainDigest(Part(written, many[i]))) << i;

  // Nothing asked: nothing given, and that is no failure.
  got.assign(1, Sha256Digest{});
  ASSERT_TRUE(DigestsOf(path, {}, &got));
  EXPECT_TRUE(got.empty());
}

TEST_P(RangeDigestsTest, ARangeThatCannotBeReadWholeFailsThemAllAndTheFileErrorWordIsLeftAlone) {
  const std::string path = dir_.path() + "f";
  const std::string bytes = Bytes(2 * C + 100, 3);
  WriteFile(path, bytes);
  const std::vector<Span> good = {{0, 0}, {5, C + 3}, {bytes.size() - 1, 1}, {0, bytes.size()}};
  std::vector<Sha256Digest> got;
  ASSERT_TRUE(DigestsOf(path, good, &got));

  FileErrorFlags = 0;
  // One byte past the end, among good ranges and before them; a file that is not there, whether or
  // not anything was asked.
  for (std::size_t at : {std::size_t{0}, good.size()}) {
    std::vector<Span> spans = good;
    spans.insert(spans.begin() + static_cast<std::ptrdiff_t>(at), Span{bytes.size() - 10, 11});
    EXPECT_FALSE(DigestsOf(path, spans, &got)) << at;
  }
  EXPECT_FALSE(DigestsOf(path + "-missing", good, &got));
  EXPECT_FALSE(DigestsOf(path + "-missing", {}, &got));
  EXPECT_EQ(FileErrorFlags, 0u);
  if (GetParam()) return;

  // Every read, seek and open in turn comes up short or fails; each descriptor opened is closed.
  fault_.ResetCounts();
  ASSERT_TRUE(DigestsOf(path, good, &got));
  for (FaultOp op : {FaultOp::kRead, FaultOp::kSeek, FaultOp::kOpenRead}) {
    const int n = fault_.Count(op);
    ASSERT_GT(n, 0) << FaultOpName(op);
    for (int k = 1; k <= n; ++k) {
      fault_.FailNth(op, k);
      EXPECT_FALSE(DigestsOf(path, good, &got)) << FaultOpName(op) << " " << k;
      EXPECT_TRUE(fault_.Fired()) << FaultOpName(op) << " " << k;
      const int opened = fault_.Count(FaultOp::kOpenRead) - (op == FaultOp::kOpenRead ? 1 : 0);
      EXPECT_EQ(fault_.Count(FaultOp::kClose), opened) << FaultOpName(op) << " " << k;
    }
  }
  EXPECT_EQ(FileErrorFlags, 0u);
}

TEST_P(RangeDigestsTest, OneDroppedUnfinishedStopsItsHelpersAndClosesItsFile) {
  // Much asked and nothing waited for, as when a writer fails half-way: the helpers end with it
  // (a helper left running would read freed state) and the file can be removed.
  const std::string path = dir_.path() + "f";
  WriteFile(path, Bytes(4 * C, 5));
  fault_.ResetCounts();
  for (int round = 0; round < 20; ++round) {
    RangeDigests digests(path);
    for (int i = 0; i < 40; ++i) digests.Add(0, 4 * C);
  }
  EXPECT_EQ(fault_.Count(FaultOp::kClose), fault_.Count(FaultOp::kOpenRead));
  EXPECT_EQ(FileRemove(path), 0);
}

INSTANTIATE_TEST_SUITE_P(Helpers, RangeDigestsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "TwoThreads" : "NoThread";
                         });

TEST(DigestRange, GivesThePrefixAndTheBytesDigestAndNeverTheDigestOfAShortRead) {
  TempDir dir;
  const std::string path = dir.path() + "f";
  const std::string bytes = Bytes(C + 50, 9);
  WriteFile(path, bytes);
  const int fd = FileOpenRead(path);
  ASSERT_GE(fd, 0);
  for (const Span& s : {Span{0, 0}, Span{7, C}, Span{bytes.size() - 3, 3}, Span{0, bytes.size()}}) {
    const std::string part = Part(bytes, s);
    Sha256Digest d{};
    ASSERT_TRUE(DigestRange(fd, s.offset, s.length, &d, "BLK\x01"));
    EXPECT_EQ(d, PlainDigest(part, std::string("BLK\x01")));
    ASSERT_TRUE(DigestRange(fd, s.offset, s.length, &d));
    EXPECT_EQ(d, PlainDigest(part));
    EXPECT_TRUE(RangeHasDigest(fd, s.offset, s.length, PlainDigest(part)));
    EXPECT_FALSE(RangeHasDigest(fd, s.offset, s.length, PlainDigest(part + "x")));
  }
  // The last 5 bytes asked for as 6: false, even against the digest of the 5 that are there.
  const std::string tail = bytes.substr(bytes.size() - 5);
  Sha256Digest d{};
  EXPECT_FALSE(DigestRange(fd, bytes.size() - 5, 6, &d));
  EXPECT_FALSE(RangeHasDigest(fd, bytes.size() - 5, 6, PlainDigest(tail)));
  // A read that comes up short in the middle of a range.
  FaultPlatform fault(NativePlatform());
  {
    ScopedHost host(&fault);
    fault.FailNth(FaultOp::kRead, 2);
    EXPECT_FALSE(RangeHasDigest(fd, 0, bytes.size(), PlainDigest(bytes)));
    EXPECT_TRUE(fault.Fired());
  }
  FileClose(fd);
}

}  // namespace
}  // namespace quarvel
