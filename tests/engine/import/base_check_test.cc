// An import of a sealed analysis diff never overwrites unseen a change made in the target since: what
// the target holds under each entry is compared with what the diff was made against.
#include <gtest/gtest.h>

#include "engine/analysis/analysis.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "engine/import/import_plan.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/checked_diff.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

constexpr std::uint32_t kOld = MakeDosStamp(2024, 1, 1, 9, 0, 0);
constexpr std::uint32_t kNew = MakeDosStamp(2024, 6, 1, 9, 0, 0);
constexpr std::uint32_t kLocal = MakeDosStamp(2024, 3, 1, 9, 0, 0);

class BaseCheckTest : public ::testing::Test {
 protected:
  BaseCheckTest() {
    MenuDirBuilder(old_)
        .Menu("A.SST", "A", "old menu", kOld)
        .File("D.CSV", "to be deleted", kOld)
        .Library("L.SSD", "lib", {{"X", "x", "old x"}, {"Y", "y", "same y"}}, kOld)
        .Library("K.SSD", "kib", {{"W", "w", "old w"}}, kOld);
    MenuDirBuilder(new_)
        .Menu("A.SST", "A", "new menu", kNew)
        .File("N.CSV", "created", kNew)
        .Library("L.SSD", "lib", {{"X", "x", "new x"}, {"Y", "y", "same y"}}, kNew)
        .Library("K.SSD", "kib", {{"W", "w", "new w"}}, kNew);
    EXPECT_EQ(AnalyseMenuDirs(new_, old_, changes_, "CSV"), 0);
    EXPECT_EQ(WriteDiffFile(diff_, new_, changes_, nullptr, nullptr, WriteOptions{true, old_}), 0);
  }
  std::string Named(const BaseConflict& c) const {
    const SBNdt& e = changes_[static_cast<std::size_t>(c.entry)];
    return e.member.empty() ? e.name : e.name + "/" + e.member;
  }

  TempDir dir_;
  std::string old_ = dir_.Sub("old");
  std::string new_ = dir_.Sub("new");
  std::string target_ = dir_.Sub("target");
  std::string diff_ = dir_.path() + "d.kmd";
  SBNdtAry changes_;
};

TEST_F(BaseCheckTest, EachKindOfLocalChangeIsOneConflictAndNothingChangesUnlessForced) {
  ASSERT_EQ(changes_.size(), 5u);  // A.SST, K.SSD/W, L.SSD/X, D.CSV deleted, N.CSV created
  CopyDir(old_, target_);
  MenuDirBuilder(target_)
      .Menu("A.SST", "A", "edited here", kLocal)
      .File("D.CSV", "edited before its deletion", kLocal)
      .File("N.CSV", "made here with other bytes", kLocal)
      .Library("L.SSD", "lib", {{"X", "x", "x edited here"}, {"Y", "y", "same y"}}, kLocal);
  std::remove((target_ + "K.SSD").c_str());
  const DirSnapshot before = Snapshot(target_);

  ImportReport report;
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, changes_, &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kConflicts);
  std::map<std::string, BaseKind> found;
  for (const BaseConflict& c : report.bases.conflicts) found[Named(c)] = c.found.kind;
  const std::map<std::string, BaseKind> want = {{"A.SST", BaseKind::kFile},   {"D.CSV", BaseKind::kFile},
                                                {"N.CSV", BaseKind::kFile},   {"L.SSD/X", BaseKind::kDocument},
                                                {"K.SSD/W", BaseKind::kAbsent}};
  EXPECT_EQ(found, want);
  for (const BaseConflict& c : report.bases.conflicts) {
    if (Named(c) == "A.SST") {
      EXPECT_EQ(c.base.kind, BaseKind::kFile);
      EXPECT_EQ(c.base.stamp, kOld);
      EXPECT_EQ(c.found.stamp, kLocal);
    }
    if (Named(c) == "N.CSV") {
      EXPECT_EQ(c.base.kind, BaseKind::kAbsent);
    }
  }
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");

  // The plan that the dry run prints and the dialog asks with finds the same.
  ImportPlan plan;
  ImportCheck why;
  EXPECT_EQ(PlanImport(diff_, target_, changes_, &plan, &why), -1);
  EXPECT_EQ(why.refusal, ImportRefusal::kConflicts);
  EXPECT_EQ(plan.bases.conflicts.size(), 5u);
  // Left out, an entry is not checked.
  SBNdtAry fewer = changes_;
  for (SBNdt& e : fewer) {
    if (e.name != "A.SST") e.op |= kOpExcluded;
  }
  EXPECT_EQ(PlanImport(diff_, target_, fewer, &plan, &why), -1);
  EXPECT_EQ(plan.bases.conflicts.size(), 1u);

  // A damaged block of a conflicting entry is the diff's damage, not a local change.
  const std::string good = ReadFile(diff_);
  std::string bad = good;
  const std::size_t at = bad.find("new menu");
  ASSERT_NE(at, std::string::npos);
  bad[at] ^= 1;
  WriteFile(diff_, bad);
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, changes_, &report), -1);
  EXPECT_EQ(report.check.fault, DiffFault::kDigestMismatch);
  EXPECT_EQ(changes_[static_cast<std::size_t>(report.check.entry)].name, "A.SST");
  EXPECT_TRUE(report.bases.conflicts.empty());
  WriteFile(diff_, good);

  // Forced, the import goes over them and still names them.
  ImportOptions force;
  force.force = true;
  EXPECT_EQ(PlanImport(diff_, target_, changes_, &plan, &why, force), 0);
  EXPECT_EQ(plan.bases.conflicts.size(), 5u);
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, changes_, &report, "", force), 0);
  EXPECT_EQ(report.bases.conflicts.size(), 5u);
  EXPECT_EQ(ReadFile(target_ + "A.SST"), ReadFile(new_ + "A.SST"));
  EXPECT_FALSE(Exists(target_ + "D.CSV"));
  EXPECT_EQ(ReadFile(target_ + "N.CSV"), "created");
}

TEST_F(BaseCheckTest, ATargetAlreadyUpdatedHasEveryEntryAppliedAndNothingRewritten) {
  CopyDir(new_, target_);
  const DirSnapshot before = Snapshot(target_);
  ImportReport report;
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, changes_, &report), 0);
  EXPECT_EQ(report.bases.applied.size(), changes_.size());
  EXPECT_TRUE(report.bases.conflicts.empty());
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");  // times included: no file was written

  // With nothing left to do, a damaged directory is still refused.
  std::string bad = ReadFile(diff_);
  bad[20] ^= 0x40;  // inside the description
  WriteFile(diff_, bad);
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, changes_, &report), -1);
  EXPECT_EQ(report.check.fault, DiffFault::kDigestMismatch);
  EXPECT_EQ(report.check.entry, -1);
  ASSERT_EQ(WriteDiffFile(diff_, new_, changes_, nullptr, nullptr, WriteOptions{true, old_}), 0);

  // Half updated: the rest is imported, what is there already is left.
  CopyDir(old_, dir_.Sub("half"));
  const std::string half = dir_.path() + "half/";
  WriteFile(half + "N.CSV", "created");
  SetStamp(half + "N.CSV", kNew);
  EXPECT_EQ(ImportDiff(nullptr, diff_, half, changes_, &report), 0);
  EXPECT_EQ(report.bases.applied.size(), 1u);
  EXPECT_EQ(Difference(Snapshot(new_), Snapshot(half), {"L.SSD", "K.SSD"}), "");
}

TEST_F(BaseCheckTest, AnUndoAppliedAfterHandEditsNamesThemInsteadOfPuttingTheOldBytesBack) {
  CopyDir(old_, target_);
  const std::string undo = dir_.path() + "undo.kmd";
  ImportReport report;
  ASSERT_EQ(ImportDiff(nullptr, diff_, target_, changes_, &report, undo), 0);
  ASSERT_TRUE(report.undoWritten);
  const CheckedDiff u = CheckDiff(undo);
  ASSERT_TRUE(u.check.ok());
  ASSERT_TRUE(u.seal.sealed);
  // A week of work: the created file filled in, the replaced menu edited.
  WriteFile(target_ + "N.CSV", "a week of entries");
  WriteFile(target_ + "A.SST", ReadFile(target_ + "A.SST") + "more");
  const DirSnapshot edited = Snapshot(target_);
  EXPECT_EQ(ImportDiff(nullptr, undo, target_, u.list, &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kConflicts);
  EXPECT_EQ(report.bases.conflicts.size(), 2u);
  EXPECT_EQ(Difference(edited, Snapshot(target_)), "");

  // Untouched since, the undo gives the old state back.
  const std::string clean = dir_.Sub("clean");
  CopyDir(old_, clean);
  const std::string undo2 = dir_.path() + "undo2.kmd";
  ASSERT_EQ(ImportDiff(nullptr, diff_, clean, changes_, &report, undo2), 0);
  const CheckedDiff u2 = CheckDiff(undo2);
  ASSERT_TRUE(u2.check.ok());
  EXPECT_EQ(ImportDiff(nullptr, undo2, clean, u2.list, &report), 0);
  EXPECT_TRUE(report.bases.conflicts.empty());
  EXPECT_EQ(Difference(Snapshot(old_), Snapshot(clean), {"L.SSD", "K.SSD"}), "");
}

}  // namespace
}  // namespace quarvel
