// The document comparison of a changed library gives what comparing document by document gives: for
// each document of the current copy, every old document of its name, the last of the same length
// deciding by its bytes. Checked end to end against that rule computed from the documents themselves,
// for equal runs, differences inside runs, moved offsets, other counts and empty libraries; damaged
// libraries and read failures fail the analysis or count as differences, never hide one.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/analysis/analysis.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace quarvel {
namespace {

const std::uint32_t T1 = MakeDosStamp(2022, 3, 4, 10, 20, 30);
const std::uint32_t T2 = MakeDosStamp(2023, 8, 9, 11, 12, 14);

using Docs = std::vector<DocSpec>;

// The rule, document by document, from the documents' own bytes.
std::vector<std::string> ByDocument(const Docs& current, const Docs& old) {
  std::vector<std::string> lines;
  std::vector<bool> found(old.size(), false);
  for (const DocSpec& doc : current) {
    int state = 0;
    for (std::size_t j = 0; j < old.size(); ++j) {
      if (old[j].name != doc.name) continue;
      if (old[j].data.size() == doc.data.size()) state = old[j].data == doc.data ? 1 : 2;
      found[j] = true;
    }
    if (state != 1) lines.push_back("0 1 L.SSD/" + doc.name + " [now]");
  }
  for (std::size_t j = 0; j < old.size(); ++j) {
    if (!found[j]) lines.push_back("1 1 L.SSD/" + old[j].name + " [then]");
  }
  return lines;
}

std::string Data(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  std::uint32_t x = seed * 2654435761u + 7;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return s;
}

// `n` documents D000, D001, ... of `size` bytes each.
Docs NumberedDocs(int n, std::size_t size, unsigned seed = 1) {
  Docs docs;
  for (int i = 0; i < n; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "D%03d", i);
    docs.push_back({name, "s", Data(size, seed + static_cast<unsigned>(i)), 0});
  }
  return docs;
}

class LibraryCompareTest : public ::testing::Test {
 protected:
  std::vector<std::string> Analyse(const Docs& current, const Docs& old) {
    MenuDirBuilder(current_).Library("L.SSD", "now", current, T2);
    MenuDirBuilder(old_).Library("L.SSD", "then", old, T1);
    SBNdtAry changes;
    EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, ""), 0);
    return Lines(changes);
  }
  void ExpectByDocument(const Docs& current, const Docs& old) { EXPECT_EQ(Analyse(current, old), ByDocument(current, old)); }

  TempDir dir_;
  std::string current_ = dir_.Sub("cur");
  std::string old_ = dir_.Sub("old");
};

TEST_F(LibraryCompareTest, RunsOfDocumentsGiveThePerDocumentResult) {
  const Docs base = NumberedDocs(40, 100);
  {
    SCOPED_TRACE("all equal");
    EXPECT_TRUE(Analyse(base, base).empty());
  }
  {
    SCOPED_TRACE("a difference in the middle of a run, and at both ends");
    Docs changed = base;
    changed[20].data[50] ^= 1;
    changed[0].data[0] ^= 1;
    changed[39].data[99] ^= 1;
    ExpectByDocument(changed, base);
    EXPECT_EQ(Analyse(changed, base).size(), 3u);
  }
  {
    SCOPED_TRACE("the same documents at other offsets: one more before them in the old copy");
    Docs old = base;
    old.insert(old.begin(), DocSpec{"FIRST", "", Data(37, 99), 0});
    old[10].data[3] ^= 1;
    ExpectByDocument(base, old);
  }
  {
    SCOPED_TRACE("other counts: documents added at the end, others gone from the middle");
    Docs current = base;
    current.push_back({"NEW1", "", "n", 0});
    current.push_back({"NEW2", "", "", 0});
    Docs old = base;
    old.erase(old.begin() + 15, old.begin() + 18);
    ExpectByDocument(current, old);
  }
  {
    SCOPED_TRACE("a length that differs breaks the run, with data of the same bytes around it");
    Docs current = base;
    current[12].data += "x";
    current[13].data.clear();
    ExpectByDocument(current, base);
  }
  {
    SCOPED_TRACE("empty documents inside a run");
    Docs current = base;
    current[5].data.clear();
    current[6].data.clear();
    Docs old = current;
    old[7].data[0] ^= 1;
    ExpectByDocument(current, old);
  }
  {
    SCOPED_TRACE("names repeated on either side, and another order");
    Docs current = base;
    current[8] = current[3];
    Docs old = base;
    old.push_back(base[20]);
    old.back().data[1] ^= 1;  // the last of the same length decides: different
    std::swap(old[30], old[31]);
    ExpectByDocument(current, old);
  }
}

TEST_F(LibraryCompareTest, DocumentsAcrossCompareChunksGiveThePerDocumentResult) {
  // Documents larger and smaller than the chunks that the range is read in, the difference just
  // before, at and after a chunk's end.
  Docs base = NumberedDocs(3, 200000, 5);
  for (std::size_t at : {std::size_t{262143}, std::size_t{262144}, std::size_t{262145}, std::size_t{599999}}) {
    SCOPED_TRACE(at);
    Docs changed = base;
    changed[at / 200000].data[at % 200000] ^= 1;
    ExpectByDocument(changed, base);
  }
  ExpectByDocument(base, base);
}

TEST_F(LibraryCompareTest, EmptyLibrariesGiveThePerDocumentResult) {
  const Docs some = NumberedDocs(3, 10);
  ExpectByDocument({}, {});
  ExpectByDocument(some, {});
  ExpectByDocument({}, some);
}

TEST_F(LibraryCompareTest, RandomLibraryPairsGiveThePerDocumentResult) {
  std::mt19937 random(20261209);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Few names and short data over two letters, so that repeated names and equal bytes are common.
    Docs current;
    const int n = pick(12);
    for (int i = 0; i < n; ++i) {
      std::string data(static_cast<std::size_t>(pick(4)), 'a');
      for (char& c : data) c = pick(2) ? 'a' : 'b';
      current.push_back({std::string(1, static_cast<char>('A' + pick(8))), "", data, 0});
    }
    Docs old = current;
    for (int edits = pick(4); edits > 0 && !old.empty(); --edits) {
      const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(old.size())));
      switch (pick(5)) {
        case 0:
          old.erase(old.begin() + static_cast<long>(at));
          break;
        case 1:
          old.insert(old.begin() + static_cast<long>(at), DocSpec{std::string(1, 'A' + pick(8)), "", "ab", 0});
          break;
        case 2:
          if (!old[at].data.empty()) old[at].data[0] = old[at].data[0] == 'a' ? 'b' : 'a';
          break;
        case 3:
          old[at].data += 'a';
          break;
        default:
          std::swap(old[at], old[static_cast<std::size_t>(pick(static_cast<int>(old.size())))]);
      }
    }
    ExpectByDocument(current, old);
  }
}

// A changed library whose copy on either side does not read as a library cannot be compared document
// by document. Left out, a damaged current copy would pass its changes for none, and a damaged old
// copy would hide them too (or, taken for empty, make every document new): the analysis fails instead,
// naming the copy and why, by stamps and by content alike.
TEST_F(LibraryCompareTest, ALibraryThatDoesNotReadFailsTheAnalysisAndIsNamed) {
  const Docs docs = NumberedDocs(5, 20);
  Docs other = docs;
  other[2].data[0] ^= 1;
  const std::string good = LibraryBytes("now", docs);
  const std::pair<const char*, std::string> damaged[] = {
      {"cut inside the index's third record", good.substr(0, 64 + 2 * 18 + 9)},
      {"cut inside the data of the last document", good.substr(0, good.size() - 1)},
      {"cut inside the header", good.substr(0, 10)},
      {"cut in half", good.substr(0, good.size() / 2)},
      {"another magic", LibraryBytes("now", docs, 0x0B70)},
      {"a later version", LibraryBytes("now", docs, 0x0B6F, 2)},
      {"no library at all", "plain text, not a library"},
  };
  for (const auto& [what, bytes] : damaged) {
    for (bool current_side : {true, false}) {
      for (bool content : {false, true}) {
        SCOPED_TRACE(std::string(what) + (current_side ? ", current copy" : ", old copy") +
                     (content ? ", by content" : ", by stamps"));
        MenuDirBuilder(current_).Library("L.SSD", "now", current_side ? docs : other, T2);
        MenuDirBuilder(old_).Library("L.SSD", "then", current_side ? other : docs, T1);
        const std::string& side = current_side ? current_ : old_;
        MenuDirBuilder(side).File("L.SSD", bytes, current_side ? T2 : T1);
        SBNdtAry changes(1);
        ReadFailure failure;
        AnalyseOptions options;
        options.content = content;
        EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, "", options, &failure), -1);
        EXPECT_TRUE(changes.empty()) << Lines(changes).front();
        EXPECT_EQ(failure.path, side + "L.SSD");
        EXPECT_EQ(failure.code, kReadNotLibrary);
      }
    }
  }
  // Only a changed library is read: a damaged one whose stamp is the same on both sides is unchanged.
  MenuDirBuilder(current_).File("L.SSD", good.substr(0, 10), T1);
  MenuDirBuilder(old_).Library("L.SSD", "then", docs, T1);
  SBNdtAry changes;
  EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, ""), 0);
  EXPECT_TRUE(changes.empty()) << Lines(changes).front();
}

TEST_F(LibraryCompareTest, ReadFailuresNeverHideADifference) {
  // A run, a document whose name repeats (compared on its own), and a difference in each part.
  Docs current = NumberedDocs(30, 3000);
  current.push_back(current[4]);
  Docs old = current;
  old[10].data[5] ^= 1;
  old[30].data[7] ^= 1;
  const std::vector<std::string> truth = ByDocument(current, old);
  ASSERT_EQ(Analyse(current, old), truth);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.ResetCounts();
  Analyse(current, old);
  const int reads = faults.Count(FaultOp::kRead);
  int failed = 0;
  for (int nth = 1; nth <= reads; ++nth) {
    SCOPED_TRACE("read " + std::to_string(nth));
    faults.FailNth(FaultOp::kRead, nth);
    SBNdtAry changes;
    ReadFailure failure;
    const int result = AnalyseMenuDirs(current_, old_, changes, "", AnalyseOptions{}, &failure);
    ASSERT_TRUE(faults.Fired());
    if (result != 0) {
      // A header or index that did not read: the analysis fails, naming the library.
      ++failed;
      EXPECT_EQ(result, -1);
      EXPECT_TRUE(changes.empty());
      EXPECT_TRUE(failure.path == current_ + "L.SSD" || failure.path == old_ + "L.SSD") << failure.path;
      EXPECT_EQ(failure.code, kReadNotLibrary);
      continue;
    }
    // Data that did not read: a difference, never a lost one.
    EXPECT_FALSE(failure.failed()) << failure.path;
    const std::vector<std::string> got = Lines(changes);
    for (const std::string& line : truth) EXPECT_NE(std::find(got.begin(), got.end(), line), got.end()) << line;
  }
  // Both kinds of read were hit: those of the indexes and those of the data.
  EXPECT_GT(failed, 0);
  EXPECT_LT(failed, reads);
}

TEST_F(LibraryCompareTest, EqualDocumentsAreReadInLargeBlocks) {
  const Docs docs = NumberedDocs(2000, 100);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.ResetCounts();
  EXPECT_TRUE(Analyse(docs, docs).empty());
  // Headers and one block of each index, then the data as one range: not a read per field or document.
  EXPECT_LT(faults.Count(FaultOp::kRead), 40);
  EXPECT_LT(faults.Count(FaultOp::kSeek), 10);
}

}  // namespace
}  // namespace quarvel
