// The promise of the import under faults: whatever single operation fails, the menu directory ends
// exactly in the old state (-1) or exactly in the new state (0), with no work file left.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/analysis.h"
#include "engine/diff_reader.h"
#include "engine/diff_writer.h"
#include "engine/import.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/dir_snapshot.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

const std::uint32_t T1 = MakeDosStamp(2021, 1, 2, 3, 4, 6);
const std::uint32_t T2 = MakeDosStamp(2024, 6, 7, 8, 9, 10);

class ImportFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MenuDirBuilder(old_)
        .Menu("M1.SST", "same", "body", T1)
        .Menu("M2.SST", "read only", "old body", T1)
        .Menu("M3.SST", "deleted", "", T1)
        .Library("L.SSD", "lib", {{"X", "x", "same", 1}, {"Y", "y", std::string(40000, 'y'), 2}, {"Z", "z", "zz", 3}}, T1)
        .Library("C.SSV", "common", {{"A", "", "a"}}, T1)
        .File("D.KKK", "kept", T1)
        .File("GONE.KKK", "gone", T1);
    SetReadOnly(old_ + "M2.SST", true);
    SetReadOnly(old_ + "L.SSD", true);
    MenuDirBuilder(new_)
        .Menu("M1.SST", "same", "body", T1)
        .Menu("M2.SST", "read only", "new body", T2)
        .Menu("M4.SST", "added", "", T2)
        .Library("L.SSD", "lib", {{"X", "x", "same", 1}, {"Y", "y2", std::string(40000, 'Y'), 7}, {"W", "w", "new", 4}}, T2)
        .Library("N.SSD", "new library", {{"P", "", "p"}}, T2)
        .Library("C.SSV", "common", {{"A", "", "changed"}}, T2)
        .File("D.KKK", "kept", T1)
        .File("E.KKK", "", T2);
    SetReadOnly(new_ + "M2.SST", true);
    SetReadOnly(new_ + "L.SSD", true);
    SBNdtAry changes;
    AnalyseMenuDirs(new_, old_, changes, "KKK");
    ASSERT_EQ(WriteDiffFile(diff_, new_, changes, nullptr), 0);
    ASSERT_EQ(LoadDiffDirectory(diff_, list_, nullptr), 0);
    old_state_ = Snapshot(old_);
    new_state_ = Snapshot(new_);
  }

  int ImportInto() {
    CopyDir(old_, target_);
    return ImportDiff(nullptr, diff_, target_, list_);
  }

  // The rebuilt library gets the time of its rebuild.
  std::string CheckOutcome(int result) {
    const DirSnapshot got = Snapshot(target_);
    if (result == -1) return Difference(old_state_, got);
    if (result == 0) return Difference(new_state_, got, {"L.SSD"});
    return "result " + std::to_string(result);
  }

  TempDir dir_;
  std::string old_ = dir_.Sub("old");
  std::string new_ = dir_.Sub("new");
  std::string target_ = dir_.path() + "target/";
  std::string diff_ = dir_.path() + "update.kmd";
  SBNdtAry list_;
  DirSnapshot old_state_, new_state_;
};

TEST_F(ImportFaultsTest, CleanImportGivesTheNewState) {
  ASSERT_EQ(list_.size(), 10u);  // M2, M4, M3; N, then L's Y, W, Z; C; E, GONE
  EXPECT_EQ(CheckOutcome(ImportInto()), "");
}

TEST_F(ImportFaultsTest, EverySingleFaultGivesTheOldOrTheNewState) {
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  int runs = 0, rolled_back = 0;
  for (int op = 0; op < static_cast<int>(FaultOp::kCount); ++op) {
    const FaultOp kind = static_cast<FaultOp>(op);
    faults.FailNth(kind, 0);
    ASSERT_EQ(ImportInto(), 0);
    const int total = faults.Count(kind);
    for (int k = 1; k <= total; ++k) {
      faults.FailNth(kind, k);
      const int result = ImportInto();
      ASSERT_TRUE(faults.Fired());
      ++runs;
      rolled_back += result == -1;
      ASSERT_EQ(CheckOutcome(result), "") << FaultOpName(kind) << " #" << k << " of " << total << " gave " << result;
    }
  }
  std::printf("%d single-fault imports: %d rolled back, %d completed\n", runs, rolled_back, runs - rolled_back);
  EXPECT_GT(runs, 100);
  EXPECT_GT(rolled_back, 50);
}

TEST_F(ImportFaultsTest, LibraryThatCannotBeReplacedRollsBackUntilOneWasReplaced) {
  // A second library to rebuild, after L.SSD.
  MenuDirBuilder(old_).Library("M.SSD", "m", {{"A", "", "old"}}, T1);
  MenuDirBuilder(new_).Library("M.SSD", "m", {{"A", "", "new"}}, T2);
  SBNdtAry changes;
  AnalyseMenuDirs(new_, old_, changes, "KKK");
  ASSERT_EQ(WriteDiffFile(diff_, new_, changes, nullptr), 0);
  ASSERT_EQ(LoadDiffDirectory(diff_, list_, nullptr), 0);
  old_state_ = Snapshot(old_);

  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.FailFrom(FaultOp::kReplace, 1);
  EXPECT_EQ(ImportInto(), -1);
  EXPECT_EQ(Difference(old_state_, Snapshot(target_)), "");

  faults.FailFrom(FaultOp::kReplace, 2);
  EXPECT_EQ(ImportInto(), kImportIncomplete);
  const DirSnapshot got = Snapshot(target_);
  EXPECT_EQ(got.at("L.SSD").bytes, new_state_.at("L.SSD").bytes);
  EXPECT_EQ(got.at("M.SSD").bytes, old_state_.at("M.SSD").bytes);
  int backups = 0;
  for (const auto& [name, state] : got) backups += name.rfind("SBN0", 0) == 0;
  EXPECT_GT(backups, 0);  // the originals of the file entries stay for recovery
}

}  // namespace
}  // namespace quarvel
