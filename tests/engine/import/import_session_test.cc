// The sequence that kmd and the import dialog both drive: open, leave out, plan, answer, import.
#include "engine/import/import_session.h"

#include <gtest/gtest.h>

#include "engine/analysis/analysis.h"
#include "engine/diff/diff_writer.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

constexpr std::uint32_t kOld = MakeDosStamp(2024, 1, 1, 9, 0, 0);
constexpr std::uint32_t kNew = MakeDosStamp(2024, 6, 1, 9, 0, 0);

SBNdt File(std::int32_t op, const std::string& name) { return {op, OtherFile, name, "", ""}; }

class ImportSessionTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string old_ = dir_.Sub("old");
  std::string new_ = dir_.Sub("new");
  std::string target_ = dir_.Sub("target");
  std::string diff_ = dir_.path() + "d.kmd";
};

TEST_F(ImportSessionTest, ConflictsAreAQuestionAndTheAnswerDecidesTheImport) {
  MenuDirBuilder(old_).File("A.CSV", "old a", kOld).File("B.CSV", "old b", kOld);
  MenuDirBuilder(new_).File("A.CSV", "new a", kNew).File("B.CSV", "new b", kNew).File("C.CSV", "c", kNew);
  SBNdtAry changes;
  ASSERT_EQ(AnalyseMenuDirs(new_, old_, changes, "CSV"), 0);
  ASSERT_EQ(changes.size(), 3u);
  ASSERT_EQ(WriteDiffFile(diff_, new_, changes, nullptr, nullptr, WriteOptions{true, old_}), 0);
  CopyDir(old_, target_);
  MenuDirBuilder(target_).File("A.CSV", "edited here", kNew);

  ImportSession session(diff_);
  ASSERT_TRUE(session.Open().ok());
  EXPECT_TRUE(session.Sealed());
  session.Entries()[1].op |= kOpExcluded;  // B.CSV left out
  ImportPlan plan;
  ImportCheck why;
  const DirSnapshot before = Snapshot(target_);
  ASSERT_EQ(session.Plan(target_, true, &plan, &why), -1);
  EXPECT_EQ(why.refusal, ImportRefusal::kConflicts);
  ASSERT_EQ(plan.bases.conflicts.size(), 1u);
  EXPECT_EQ(session.Entries()[static_cast<std::size_t>(plan.bases.conflicts[0].entry)].name, "A.CSV");
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");

  session.ImportOver(true);
  ASSERT_EQ(session.Plan(target_, true, &plan, &why), 0) << static_cast<int>(why.fault);
  EXPECT_EQ(plan.replaces, StringAry{"A.CSV"});
  EXPECT_EQ(plan.creates, StringAry{"C.CSV"});
  EXPECT_EQ(plan.excluded, 1);
  ImportReport report;
  ASSERT_EQ(session.Import(target_, "", &report), 0);
  EXPECT_EQ(session.ImportedCount(plan, report), 2u);
  const DirSnapshot after = Snapshot(target_);
  EXPECT_EQ(after.at("A.CSV").bytes, "new a");
  EXPECT_EQ(after.at("B.CSV").bytes, "old b");
  EXPECT_EQ(after.at("C.CSV").bytes, "c");

  // Imported again with nothing left out, the entries applied already are not counted.
  ImportSession again(diff_);
  ASSERT_TRUE(again.Open().ok());
  ASSERT_EQ(again.Plan(target_, false, &plan, &why), 0);
  ASSERT_EQ(again.Import(target_, "", &report), 0);
  EXPECT_EQ(report.bases.applied.size(), 2u);
  EXPECT_EQ(again.ImportedCount(plan, report), 1u);
  EXPECT_EQ(Snapshot(target_).at("B.CSV").bytes, "new b");
}

// The plan the dialog summarises and the dry run prints counts as the import applies: names that
// differ in case only are one file, and an entry that adds it outweighs one that deletes it.
TEST_F(ImportSessionTest, ThePlanCountsNamesThatDifferInCaseAsOneFile) {
  MenuDirBuilder(new_).File("x.kkk", "x", kNew).File("Y.KKK", "y", kNew);
  MenuDirBuilder(target_).File("X.KKK", "old x", kOld);
  ASSERT_EQ(WriteDiffFile(diff_, new_, {File(0, "x.kkk"), File(1, "X.KKK"), File(0, "Y.KKK"), File(1, "y.kkk")},
                          nullptr, nullptr, WriteOptions{false, ""}),
            0);
  ImportSession session(diff_);
  ASSERT_TRUE(session.Open().ok());
  ImportPlan plan;
  ImportCheck why;
  ASSERT_EQ(session.Plan(target_, false, &plan, &why), 0) << static_cast<int>(why.fault);
  EXPECT_EQ(plan.replaces, StringAry{"x.kkk"});
  EXPECT_EQ(plan.creates, StringAry{"Y.KKK"});
  EXPECT_TRUE(plan.deletes.empty());
  EXPECT_TRUE(plan.absent.empty());
  ImportReport report;
  ASSERT_EQ(session.Import(target_, "", &report), 0);
  const DirSnapshot after = Snapshot(target_);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after.at("x.kkk").bytes, "x");
  EXPECT_EQ(after.at("Y.KKK").bytes, "y");
}

}  // namespace
}  // namespace quarvel
