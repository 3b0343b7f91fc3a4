#include "engine/analysis/analysis.h"

#include <gtest/gtest.h>

#include "platform/dos_time.h"
#include "platform/text.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/host_rules.h"

namespace quarvel {
namespace {

const std::uint32_t T1 = MakeDosStamp(2022, 3, 4, 10, 20, 30);
const std::uint32_t T2 = MakeDosStamp(2023, 8, 9, 11, 12, 14);

class AnalysisTest : public ::testing::Test {
 protected:
  std::vector<std::string> Analyse(const std::string& extensions = "") {
    SBNdtAry changes(2);  // emptied first
    EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, extensions), 0);
    return Lines(changes);
  }
  std::vector<std::string> AnalyseContent(const std::string& extensions = "") {
    SBNdtAry changes;
    AnalyseOptions options;
    options.content = true;
    EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, extensions, options), 0);
    return Lines(changes);
  }
  TempDir dir_;
  std::string current_ = dir_.Sub("cur");
  std::string old_ = dir_.Sub("old");
  MenuDirBuilder cur_{current_};
  MenuDirBuilder old_b_{old_};
};

TEST_F(AnalysisTest, FilesAreJudgedByNameAndStampOnly) {
  cur_.Menu("A.SST", "a", "changed bytes", T1).Menu("B.SST", "b", "", T1).Menu("D.SST", "d", "", T2)
      .Menu("e.sst", "e", "", T1);
  old_b_.Menu("A.SST", "a", "", T1).Menu("C.SST", "c", "", T1).Menu("D.SST", "d", "", T2 + (1u << 16))
      .Menu("E.SST", "e", "", T1);
  EXPECT_EQ(Analyse(), (std::vector<std::string>{"0 0 B.SST [b]", "0 0 D.SST [d]", "1 0 C.SST [c]"}));
}

TEST_F(AnalysisTest, EveryPairOfEqualNamesCountsAndTheLastMatchDecides) {
  POSIX_HOST_ONLY("names that differ in case only, which one Windows directory cannot hold");
  // On this platform a directory can hold names that differ in case only; upper-cased they collide.
  old_b_.Menu("A.SST", "x", "", T1).Menu("a.sst", "x", "", T2);
  cur_.Menu("A.SST", "x", "", T1);
  EXPECT_EQ(Analyse(), (std::vector<std::string>{"0 0 A.SST [x]"}));
  cur_.Menu("a.sst", "x", "", T2);
  EXPECT_EQ(Analyse(), (std::vector<std::string>{"0 0 A.SST [x]"}));  // T1 against the last old (T2) changes
  // By content likewise: each current file against the last old one of its name.
  old_b_.Menu("a.sst", "x", "last", T2);
  cur_.Menu("A.SST", "x", "last", T1).Menu("a.sst", "x", "other", T1);
  EXPECT_EQ(AnalyseContent(), (std::vector<std::string>{"0 0 A.SST [x]"}));  // a.sst; A.SST equals the last
}

TEST_F(AnalysisTest, ByContentManyFilesAreJudgedByTheirBytesAlone) {
  // Enough pairs for two threads; stamps say the opposite of the bytes throughout.
  for (int i = 0; i < 60; ++i) {
    const std::string name = "F" + std::to_string(i) + ".DAT";
    cur_.File(name, "bytes " + std::to_string(i), T1);
    old_b_.File(name, "bytes " + std::to_string(i % 20 == 7 ? -i : i), i % 20 == 7 ? T1 : T2);
  }
  EXPECT_EQ(AnalyseContent("DAT"), (std::vector<std::string>{"0 3 F27.DAT []", "0 3 F47.DAT []", "0 3 F7.DAT []"}));
}

TEST_F(AnalysisTest, ExtensionTokensAreSplitAtCommasOnly) {
  cur_.File("X.KKK", "k").File("Y.CSV", "c").File("Z. CSV", "s").File("W.TXT", "t").Menu("M.SST", "m", "", T1);
  old_b_.Menu("M.SST", "m", "", T1);
  EXPECT_EQ(Analyse(",KKK,,CSV,"), (std::vector<std::string>{"0 3 X.KKK []", "0 3 Y.CSV []"}));
  EXPECT_EQ(Analyse(" CSV"), (std::vector<std::string>{"0 3 Z. CSV []"}));
  EXPECT_EQ(Analyse("*"), (std::vector<std::string>{"0 3 W.TXT []", "0 3 X.KKK []", "0 3 Y.CSV []", "0 3 Z. CSV []"}));
  EXPECT_EQ(Analyse(std::string(300, 'K') + ",TXT"), (std::vector<std::string>{"0 3 W.TXT []"}));
}

TEST_F(AnalysisTest, ChangedLibraryIsComparedDocumentByDocument) {
  cur_.Library("L.SSD", "now", {{"X", "", "same"}, {"Y", "", "diff-a"}, {"N", "", ""}, {"E", "", ""}}, T2)
      .Library("NEW.SSD", "brand new", {{"P", "", "p"}, {"Q", "", "q"}}, T1);
  old_b_.Library("L.SSD", "then", {{"X", "", "same"}, {"Y", "", "diff-b"}, {"E", "", ""}, {"Z", "", "z"}}, T1)
      .Library("GONE.SSD", "gone", {}, T1);
  EXPECT_EQ(Analyse(), (std::vector<std::string>{"0 1 NEW.SSD [brand new]", "1 1 GONE.SSD [gone]",
                                                 "0 1 L.SSD/Y [now]", "0 1 L.SSD/N [now]", "1 1 L.SSD/Z [then]"}));
}

TEST_F(AnalysisTest, DocumentOfOtherLengthIsChangedWithoutReadingItsData) {
  cur_.Library("L.SSD", "t", {{"BIG", "", std::string(100000, 'a')}}, T2);
  old_b_.Library("L.SSD", "t", {{"BIG", "", std::string(99999, 'a')}}, T1);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.ResetCounts();
  EXPECT_EQ(Analyse(), (std::vector<std::string>{"0 1 L.SSD/BIG [t]"}));
  EXPECT_LT(faults.Count(FaultOp::kRead), 40);  // headers and index fields only, no 32000-byte chunks
}

TEST_F(AnalysisTest, ReadErrorWhileComparingCountsAsChange) {
  cur_.Library("L.SSD", "t", {{"A", "", std::string(70000, 'a')}, {"B", "", "bbb"}}, T2);
  old_b_.Library("L.SSD", "t", {{"A", "", std::string(70000, 'a')}, {"B", "", "bbb"}}, T1);
  EXPECT_EQ(Analyse(), std::vector<std::string>{});
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.ResetCounts();
  Analyse();
  const int reads = faults.Count(FaultOp::kRead);
  faults.FailNth(FaultOp::kRead, reads - 1);  // A and B follow each other: one range, one read a side
  EXPECT_EQ(Analyse(), (std::vector<std::string>{"0 1 L.SSD/A [t]", "0 1 L.SSD/B [t]"}));
}

// Taken for an empty one, a directory that cannot be listed would make every file of the other side
// new or vanished, and the diff would empty the target. Every way of not reading it fails instead,
// naming the directory, and leaves no half list.
TEST_F(AnalysisTest, ADirectoryThatCannotBeListedFailsTheAnalysisAndNamesIt) {
  cur_.Menu("A.SST", "a", "", T1).Library("L.SSD", "l", {{"D", "", "x"}}, T1).File("N.CSV", "n", T1);
  old_b_.Menu("A.SST", "a", "", T2).Library("L.SSD", "l", {{"D", "", "y"}}, T2).File("N.CSV", "m", T2);
  const std::string missing = dir_.path() + "none/";
  for (const auto& [current, old] : {std::pair{current_, missing}, std::pair{missing, current_}}) {
    SBNdtAry changes(1);
    ReadFailure failure;
    EXPECT_EQ(AnalyseMenuDirs(current, old, changes, "CSV", AnalyseOptions{}, &failure), -1);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(failure.path, missing);
    EXPECT_EQ(failure.code, kPlatformNotFound);
  }
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  for (const std::string& unreadable : {current_, old_}) {
    for (int code : {kPlatformDenied, kPlatformFailed}) {
      for (bool content : {false, true}) {
        faults.FailListingsOf(unreadable, code);
        SBNdtAry changes(1);
        ReadFailure failure;
        AnalyseOptions options;
        options.content = content;
        EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, "CSV", options, &failure), -1);
        EXPECT_TRUE(changes.empty());
        EXPECT_EQ(failure.path, unreadable);
        EXPECT_EQ(failure.code, code);
        // A pass of its own (an extension with a directory part) fails the same way.
        EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, "sub/CSV", options, &failure), -1);
        EXPECT_EQ(failure.path, unreadable);
      }
    }
  }
  faults.FailListingsOf("", 0);
  EXPECT_EQ(Analyse("CSV"), (std::vector<std::string>{"0 0 A.SST [a]", "0 1 L.SSD/D [l]", "0 3 N.CSV []"}));
}

// The same for the files that are read: a changed library or, by content, a file that is there but
// cannot be opened fails the analysis instead of being left out or taken for changed.
TEST_F(AnalysisTest, AFileThatCannotBeReadFailsTheAnalysisAndNamesIt) {
  cur_.Library("L.SSD", "l", {{"D", "", "x"}}, T1).File("N.CSV", "same", T1);
  old_b_.Library("L.SSD", "l", {{"D", "", "y"}}, T2).File("N.CSV", "same", T2);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  for (const std::string& side : {current_, old_}) {
    faults.FailOpensOf(side + "L.SSD", kPlatformDenied);
    SBNdtAry changes;
    ReadFailure failure;
    EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, "", AnalyseOptions{}, &failure), -1);
    EXPECT_EQ(failure.path, side + "L.SSD");
    EXPECT_EQ(failure.code, kPlatformDenied);
    faults.FailOpensOf(side + "N.CSV", kPlatformFailed);
    AnalyseOptions options;
    options.content = true;
    EXPECT_EQ(AnalyseMenuDirs(current_, old_, changes, "CSV", options, &failure), -1);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(failure.path, side + "N.CSV");
  }
  faults.FailOpensOf("", 0);
  EXPECT_EQ(AnalyseContent("CSV"), (std::vector<std::string>{"0 1 L.SSD/D [l]"}));
}

TEST_F(AnalysisTest, UnreadableHeaderGivesEmptyTitleNotThePreviousOne) {
  cur_.Menu("A.SST", "first", "", T1).File("B.SST", "not a menu file", T1).Menu("C.SST", "third", "", T1);
  EXPECT_EQ(Analyse(), (std::vector<std::string>{"0 0 A.SST [first]", "0 0 B.SST []", "0 0 C.SST [third]"}));
}

// The builder writes a file under its host (UTF-8) name and stamps it through the platform (CP932):
// both must reach the same file, or a kana-named file keeps the time of its writing and every
// comparison by stamps sees a change that no one made.
TEST_F(AnalysisTest, BuilderFilesWithKanaNamesGetTheirStamps) {
  const std::string names[] = {"ﾃｽﾄa.csv", "見積一覧.CSV"};
  for (const std::string& name : names) {
    cur_.File(name, "kana", T1);
    old_b_.File(name, "kana", T1);
  }
  for (const std::string& dir : {current_, old_}) {
    for (const std::string& name : names) {
      SCOPED_TRACE(dir + name);
      std::string path;
      ASSERT_TRUE(Utf8ToCp932(dir + name, &path));
      std::uint32_t stamp = 0;
      EXPECT_EQ(NativePlatform().GetStamp(path, &stamp), 0);
      EXPECT_EQ(stamp, T1);
    }
  }
  EXPECT_EQ(Analyse("CSV"), std::vector<std::string>{});
  cur_.File(names[0], "kana", T2);
  std::string changed;
  ASSERT_TRUE(Utf8ToCp932("0 3 ﾃｽﾄA.CSV []", &changed));
  EXPECT_EQ(Analyse("CSV"), std::vector<std::string>{changed});
}

TEST_F(AnalysisTest, OverlongDirectorySkipsThePass) {
  cur_.Menu("A.SST", "a", "", T1);
  SBNdtAry changes;
  const std::string long_old = old_ + std::string(300, 'd') + "/";
  EXPECT_EQ(AnalyseMenuDirs(current_, long_old, changes, "*"), 0);
  EXPECT_TRUE(changes.empty());
}

}  // namespace
}  // namespace quarvel
