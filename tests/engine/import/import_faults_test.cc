// The promise of the import under faults: whatever single operation fails, the menu directory ends
// exactly in the old state (-1) or exactly in the new state (0), with no work file left.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/import/import.h"
#include "engine/import/recovery.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/import_scenario.h"

namespace quarvel {
namespace {

using ImportFaultsTest = ImportScenario;

const std::uint32_t T1 = MakeDosStamp(2021, 1, 2, 3, 4, 6);
const std::uint32_t T2 = MakeDosStamp(2024, 6, 7, 8, 9, 10);

TEST_F(ImportFaultsTest, CleanImportGivesTheNewState) {
  ASSERT_EQ(list_.size(), 10u);  // M2, M4, M3; N, then L's Y, W, Z; C; E, GONE
  EXPECT_EQ(CheckOutcome(ImportInto()), "");
}

TEST_F(ImportFaultsTest, EverySingleFaultGivesTheOldOrTheNewState) {
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  int runs = 0, rolled_back = 0;
  std::string per_kind;
  // Created files flushed one by one, and (where the host can) together with their file system.
  for (int op = 0; op < 2 * static_cast<int>(FaultOp::kCount); ++op) {
    faults.set_flushes_file_system(op >= static_cast<int>(FaultOp::kCount));
    const FaultOp kind = static_cast<FaultOp>(op % static_cast<int>(FaultOp::kCount));
    faults.FailNth(kind, 0);
    ASSERT_EQ(ImportInto(), 0);
    const int total = faults.Count(kind);
    per_kind += std::string(" ") + FaultOpName(kind) + " " + std::to_string(total);
    for (int k = 1; k <= total; ++k) {
      faults.FailNth(kind, k);
      const int result = ImportInto();
      ASSERT_TRUE(faults.Fired());
      ++runs;
      rolled_back += result == -1;
      ASSERT_EQ(CheckOutcome(result), "") << FaultOpName(kind) << " #" << k << " of " << total << " gave " << result;
    }
  }
  std::printf("%d single-fault imports: %d rolled back, %d completed; points per kind:%s\n", runs, rolled_back,
              runs - rolled_back, per_kind.c_str());
  EXPECT_GT(runs, 100);
  EXPECT_GT(rolled_back, 50);
}

// The undo writer's own operations are among the points: its plan before the journal, its reads of
// the backups and the old library, its writes, flush, rename and the flush of its directory.
TEST_F(ImportFaultsTest, EverySingleFaultWithAnUndoGivesTheOldStateOrTheNewOneWithAWorkingUndo) {
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  int runs = 0, rolled_back = 0, extra = 0;
  std::string per_kind;
  for (int op = 0; op < static_cast<int>(FaultOp::kCount); ++op) {
    const FaultOp kind = static_cast<FaultOp>(op);
    faults.FailNth(kind, 0);
    ASSERT_EQ(ImportInto(), 0);
    const int without = faults.Count(kind);
    faults.FailNth(kind, 0);
    ASSERT_EQ(ImportWithUndoInto(), 0);
    const int total = faults.Count(kind);
    extra += total - without;
    per_kind += std::string(" ") + FaultOpName(kind) + " " + std::to_string(total) + " (+" +
                std::to_string(total - without) + ")";
    for (int k = 1; k <= total; ++k) {
      faults.FailNth(kind, k);
      const int result = ImportWithUndoInto();
      ASSERT_TRUE(faults.Fired());
      ++runs;
      rolled_back += result == -1;
      const std::string where = std::string(FaultOpName(kind)) + " #" + std::to_string(k) + " of " + std::to_string(total);
      ASSERT_EQ(CheckOutcome(result), "") << where << " gave " << result;
      ASSERT_EQ(CheckUndo(result == 0), "") << where;
    }
  }
  std::printf("%d single-fault imports with an undo (%d points in the undo): %d rolled back, %d completed, each "
              "with an undo that gave back the old state; points per kind:%s\n",
              runs, extra, rolled_back, runs - rolled_back, per_kind.c_str());
  EXPECT_GT(extra, 20);
  EXPECT_GT(rolled_back, 50);
}

TEST_F(ImportFaultsTest, LibraryThatCannotBeReplacedRollsBackUntilOneWasReplaced) {
  // A second library to rebuild, after L.SSD.
  MenuDirBuilder(old_).Library("M.SSD", "m", {{"A", "", "old"}}, T1);
  MenuDirBuilder(new_).Library("M.SSD", "m", {{"A", "", "new"}}, T2);
  WriteDiff();

  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  // The first replacement puts the journal that names the new files in place; the libraries follow.
  faults.FailFrom(FaultOp::kReplace, 2);
  EXPECT_EQ(ImportInto(), -1);
  EXPECT_EQ(Difference(old_state_, Snapshot(target_)), "");

  faults.FailFrom(FaultOp::kReplace, 3);
  EXPECT_EQ(ImportInto(), kImportIncomplete);
  const DirSnapshot got = Snapshot(target_);
  EXPECT_EQ(got.at("L.SSD").bytes, new_state_.at("L.SSD").bytes);
  EXPECT_EQ(got.at("M.SSD").bytes, old_state_.at("M.SSD").bytes);
  int backups = 0;
  for (const auto& [name, state] : got) backups += name.rfind("SBN0", 0) == 0;
  EXPECT_GT(backups, 0);  // the originals of the file entries stay for recovery

  // Once the library can be replaced, a recovery completes the import.
  faults.FailNth(FaultOp::kReplace, 99);
  Recovery done;
  ImportRefusal why;
  StringAry left;
  ASSERT_EQ(RecoverMenuDir(target_, &done, &why, &left), 0);
  EXPECT_EQ(done, Recovery::kCompleted);
  EXPECT_EQ(Difference(new_state_, Snapshot(target_), {"L.SSD", "M.SSD"}), "");
}

}  // namespace
}  // namespace quarvel
