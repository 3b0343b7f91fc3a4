#include "engine/import/import.h"

#include <gtest/gtest.h>

#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "fileio/fileio.h"
#include "engine/import/import_plan.h"
#include "menufiles/libindex.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "sample/menu_dir_builder.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

const std::uint32_t T1 = MakeDosStamp(2019, 9, 10, 11, 12, 14);

SBNdt Doc(std::int32_t op, const std::string& lib, const std::string& member, const std::string& title = "lib") {
  return {op, DocumentLibrary, lib, title, member};
}
SBNdt File(std::int32_t op, const std::string& name) { return {op, OtherFile, name, "", ""}; }

class ImportTest : public ::testing::Test {
 protected:
  // Writes the diff of `changes` from the source directory and imports it into the target.
  int Import(const SBNdtAry& changes, const std::vector<int>& excluded = {}) {
    EXPECT_EQ(WriteDiffFile(diff_, src_, changes, nullptr), 0);
    SBNdtAry list;
    EXPECT_EQ(LoadDiffDirectory(diff_, list, nullptr), 0);
    for (int i : excluded) list[static_cast<std::size_t>(i)].op |= kOpExcluded;
    return ImportDiff(nullptr, diff_, target_, list);
  }
  // The documents of a library in the target as "name=data" in order.
  std::vector<std::string> Docs(const std::string& lib, std::string* title = nullptr) {
    SSDocInfoAry docs;
    std::string t;
    const int fd = ReadLibIndex(SSDlib{}, docs, &t, target_ + lib);
    std::vector<std::string> out;
    if (fd < 0) return {"<unreadable>"};
    for (const SSDocInfo& d : docs) {
      std::string data(d.length, '\0');
      FileSeek(fd, d.offset);
      FileRead(fd, data.data(), d.length);
      out.push_back(d.name + "=" + data + (d.storedWord ? "#" + std::to_string(d.storedWord) : ""));
    }
    FileClose(fd);
    if (title) *title = t;
    return out;
  }
  bool NoWorkFiles() {
    for (const auto& [name, state] : Snapshot(target_)) {
      if (name.rfind("SBN0", 0) == 0 || name.rfind("SBN1", 0) == 0 || name == "XXXXXX.TMP") return false;
    }
    return true;
  }

  TempDir dir_;
  std::string src_ = dir_.Sub("src");
  std::string target_ = dir_.Sub("target");
  std::string diff_ = dir_.path() + "d.kmd";
  MenuDirBuilder src_b_{src_};
  MenuDirBuilder target_b_{target_};
};

TEST_F(ImportTest, FileEntriesCreateReplaceAndDelete) {
  src_b_.File("NEW.KKK", "new", T1).File("EMPTY.KKK", "", T1).File("RO.KKK", "read only", T1);
  SetReadOnly(src_ + "RO.KKK", true);
  target_b_.File("RO.KKK", "older").File("DEL.KKK", "x").File("UNSET.KKK", "y");
  ASSERT_EQ(Import({File(0, "NEW.KKK"), File(0, "EMPTY.KKK"), File(0, "RO.KKK"), File(1, "DEL.KKK"),
                    File(-1, "UNSET.KKK"), File(1, "ABSENT.KKK")}),
            0);
  const DirSnapshot got = Snapshot(target_);
  EXPECT_EQ(got.size(), 3u) << (got.rbegin()->first);
  EXPECT_EQ(got.at("NEW.KKK").bytes, "new");
  EXPECT_EQ(got.at("EMPTY.KKK").bytes, "");
  EXPECT_EQ(got.at("RO.KKK").bytes, "read only");
  EXPECT_EQ(got.at("RO.KKK").mode & 0222, 0u);
  std::uint32_t stamp = 0;
  ASSERT_EQ(NativePlatform().GetStamp(target_ + "RO.KKK", &stamp), 0);
  EXPECT_EQ(stamp, T1);
  EXPECT_TRUE(NoWorkFiles());
}

TEST_F(ImportTest, ExcludedEntriesAreSkipped) {
  src_b_.File("A.KKK", "a").File("B.KKK", "b");
  target_b_.File("A.KKK", "old a");
  const DirSnapshot before = Snapshot(target_);
  EXPECT_EQ(Import({File(0, "A.KKK"), File(0, "B.KKK")}, {0, 1}), 0);
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");
  EXPECT_EQ(Import({File(0, "A.KKK"), File(0, "B.KKK")}, {0}), 0);
  EXPECT_EQ(ReadFile(target_ + "A.KKK"), "old a");
  EXPECT_EQ(ReadFile(target_ + "B.KKK"), "b");
}

TEST_F(ImportTest, DocumentEntriesRebuildTheLibrary) {
  src_b_.Library("L.SSD", "lib", {{"B", "", "new b", 20}, {"N1", "", "n1"}, {"N2", "", "n2"}, {"B2", "", "second"}});
  target_b_.Library("L.SSD", "lib", {{"A", "", "a", 10}, {"B", "", "b", 11}, {"C", "", "c", 12}});
  // Replace B (the first of two commands for it wins), delete C and an absent document, add N2 and N1.
  ASSERT_EQ(Import({Doc(0, "L.SSD", "B"), Doc(0, "L.SSD", "N2"), Doc(1, "L.SSD", "C"), Doc(1, "L.SSD", "B"),
                    Doc(-1, "L.SSD", "MISSING"), Doc(0, "L.SSD", "N1")}),
            0);
  EXPECT_EQ(Docs("L.SSD"), (std::vector<std::string>{"A=a#10", "B=new b#20", "N2=n2", "N1=n1"}));
  EXPECT_TRUE(NoWorkFiles());
}

TEST_F(ImportTest, LibrariesAreCreatedEmptiedAndReplacedAsTheDiffSays) {
  src_b_.Library("NEW.SSD", "from diff", {{"P", "", "p"}}).Library("R.SSD", "replaced", {{"Q", "", "q"}, {"S", "", "s"}});
  target_b_.Library("ALL.SSD", "lib", {{"A", "", "a"}}).Library("R.SSD", "old", {{"O", "", "o"}});
  ASSERT_EQ(Import({Doc(0, "NEW.SSD", "P", "from diff"), Doc(1, "ALL.SSD", "A"), File(0, "R.SSD"),
                    Doc(1, "R.SSD", "S"), Doc(1, "NONE.SSD", "X")}),
            0);
  std::string title;
  EXPECT_EQ(Docs("NEW.SSD", &title), std::vector<std::string>{"P=p"});
  EXPECT_EQ(title, "from diff");
  EXPECT_EQ(ReadFile(target_ + "ALL.SSD"), "");  // every document deleted: a library of zero bytes
  EXPECT_EQ(Docs("R.SSD"), std::vector<std::string>{"Q=q"});  // document changes apply to the new file
  EXPECT_FALSE(Exists(target_ + "NONE.SSD"));  // deleting from a library that is not there makes none
  // A zero-byte library takes additions.
  src_b_.Library("ALL.SSD", "lib", {{"B", "", "b"}});
  ASSERT_EQ(Import({Doc(0, "ALL.SSD", "B")}), 0);
  EXPECT_EQ(Docs("ALL.SSD"), std::vector<std::string>{"B=b"});
  EXPECT_TRUE(NoWorkFiles());
}

TEST_F(ImportTest, LibraryNamesThatDifferInCaseAreOneLibrary) {
  src_b_.Library("L.SSD", "lib", {{"A", "", "new a"}, {"B", "", "new b"}});
  src_b_.File("l.ssd", ReadFile(src_ + "L.SSD"));
  target_b_.Library("L.SSD", "lib", {{"K", "", "k"}});
  ASSERT_EQ(Import({Doc(0, "L.SSD", "A"), Doc(0, "l.ssd", "B")}), 0);
  EXPECT_EQ(Docs("L.SSD"), (std::vector<std::string>{"K=k", "A=new a", "B=new b"}));
  EXPECT_EQ(Snapshot(target_).size(), 1u);
}

TEST_F(ImportTest, ReadOnlyLibraryStaysReadOnly) {
  src_b_.Library("L.SSD", "lib", {{"A", "", "new"}});
  target_b_.Library("L.SSD", "lib", {{"A", "", "old"}, {"K", "", "k"}});
  SetReadOnly(target_ + "L.SSD", true);
  ASSERT_EQ(Import({Doc(0, "L.SSD", "A")}), 0);
  EXPECT_EQ(Docs("L.SSD"), (std::vector<std::string>{"A=new", "K=k"}));
  EXPECT_EQ(Snapshot(target_).at("L.SSD").mode & 0222, 0u);
}

TEST_F(ImportTest, TwoEntriesForOneFileGiveExactlyTheLastBytes) {
  src_b_.File("A.KKK", "short");
  target_b_.File("A.KKK", "the original, longer than the new bytes");
  ASSERT_EQ(Import({File(0, "A.KKK"), File(0, "a.kkk"), File(0, "A.KKK")}), 0);
  EXPECT_EQ(ReadFile(target_ + "A.KKK"), "short");
  EXPECT_EQ(Snapshot(target_).size(), 1u);
}

TEST_F(ImportTest, RefusedDiffsChangeNothing) {
  WriteFile(dir_.path() + "outside", "must stay");
  src_b_.File("A.KKK", "a").File("ZZZZZZZZZZ", "z").Library("L.SSD", "lib", {{"D", "", "d"}});
  target_b_.File("A.KKK", "old").File("L.SSD", LibraryBytes("lib", {{"K", "", "keep"}, {"D", "", "d"}}).substr(0, 70));
  const DirSnapshot before = Snapshot(target_);
  // A name that leaves the menu directory (the writer refuses to write one, so it is patched in).
  ASSERT_EQ(WriteDiffFile(diff_, src_, {File(0, "A.KKK"), File(0, "ZZZZZZZZZZ")}, nullptr), 0);
  std::string bytes = ReadFile(diff_);
  bytes.replace(bytes.find("ZZZZZZZZZZ"), 10, "../outside");
  WriteFile(diff_, bytes);
  SBNdtAry crafted;
  ASSERT_EQ(LoadDiffDirectory(diff_, crafted, nullptr), 0);
  ImportReport report;
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, crafted, &report), -1);
  EXPECT_EQ(report.check.fault, DiffFault::kUnsafeName);
  EXPECT_EQ(report.check.entry, 1);
  EXPECT_EQ(ReadFile(dir_.path() + "outside"), "must stay");
  // A library that cannot be read is not replaced by the diff's documents alone.
  EXPECT_EQ(Import({File(0, "A.KKK"), Doc(0, "L.SSD", "D")}), -1);
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");
  // A diff with bytes after its last block, and a list that does not match.
  ASSERT_EQ(WriteDiffFile(diff_, src_, {File(0, "A.KKK")}, nullptr), 0);
  SBNdtAry list;
  LoadDiffDirectory(diff_, list, nullptr);
  WriteFile(diff_, ReadFile(diff_) + "extra");
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, list), -1);
  list.push_back(list[0]);
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, list), -1);
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, {}), -1);
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");
}

TEST_F(ImportTest, PlanTellsWhatWouldHappenAndTouchesNothing) {
  src_b_.File("A.KKK", "a").File("B.KKK", "b").Library("L.SSD", "lib", {{"D", "", "d"}});
  target_b_.File("A.KKK", "old").File("C.KKK", "c");
  ASSERT_EQ(WriteDiffFile(diff_, src_, {File(0, "A.KKK"), File(0, "B.KKK"), File(1, "C.KKK"), File(1, "Z.KKK"),
                                        Doc(0, "L.SSD", "D"), Doc(1, "L.SSD", "E")},
                          nullptr),
            0);
  SBNdtAry list;
  LoadDiffDirectory(diff_, list, nullptr);
  list[1].op |= kOpExcluded;
  const DirSnapshot before = Snapshot(target_);
  ImportPlan plan;
  ImportCheck why;
  ASSERT_EQ(PlanImport(diff_, target_, list, &plan, &why), 0);
  EXPECT_EQ(plan.replaces, StringAry{"A.KKK"});
  EXPECT_TRUE(plan.creates.empty());
  EXPECT_EQ(plan.deletes, StringAry{"C.KKK"});
  EXPECT_EQ(plan.absent, StringAry{"Z.KKK"});
  EXPECT_EQ(plan.rebuilds, StringAry{"L.SSD"});
  ASSERT_EQ(plan.documents.size(), 2u);
  EXPECT_TRUE(plan.documents[1].remove);
  EXPECT_EQ(plan.excluded, 1);
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");
  list.pop_back();
  EXPECT_EQ(PlanImport(diff_, target_, list, &plan, &why), -1);
  EXPECT_EQ(why.refusal, ImportRefusal::kCountMismatch);
}

}  // namespace
}  // namespace quarvel
