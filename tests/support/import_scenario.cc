#include "support/import_scenario.h"

#include <filesystem>

#include "engine/analysis/analysis.h"
#include "engine/diff/diff_check.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "sample/menu_dir_builder.h"

namespace quarvel {

namespace {

const std::uint32_t T1 = MakeDosStamp(2021, 1, 2, 3, 4, 6);
const std::uint32_t T2 = MakeDosStamp(2024, 6, 7, 8, 9, 10);

}  // namespace

void ImportScenario::SetUp() {
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
  WriteDiff();
}

void ImportScenario::WriteDiff() {
  SBNdtAry changes;
  AnalyseMenuDirs(new_, old_, changes, "KKK");
  ASSERT_EQ(WriteDiffFile(diff_, new_, changes, nullptr), 0);
  ASSERT_EQ(LoadDiffDirectory(diff_, list_, nullptr), 0);
  old_state_ = Snapshot(old_);
  new_state_ = Snapshot(new_);
}

int ImportScenario::ImportInto() {
  CopyDir(old_, target_);
  return ImportDiff(nullptr, diff_, target_, list_);
}

// The rebuilt library gets the time of its rebuild.
std::string ImportScenario::CheckOutcome(int result) const {
  const DirSnapshot got = Snapshot(target_);
  if (result == -1) return Difference(old_state_, got);
  if (result == 0) return Difference(new_state_, got, {"L.SSD"});
  return "result " + std::to_string(result);
}

std::string ImportScenario::OldOrNew(bool* isNew) const {
  const DirSnapshot got = Snapshot(target_);
  const std::string from_old = Difference(old_state_, got);
  *isNew = !from_old.empty();
  if (!*isNew) return "";
  const std::string from_new = Difference(new_state_, got, {"L.SSD"});
  return from_new.empty() ? "" : "not old (" + from_old + ") nor new (" + from_new + ")";
}

int ImportScenario::ImportWithUndoInto() {
  CopyDir(old_, target_);
  std::filesystem::remove(undo_);
  return ImportDiff(nullptr, diff_, target_, list_, nullptr, undo_);
}

bool ImportScenario::TakeUndoWorkFile() {
  bool found = false;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
    if (e.path().filename().string().rfind("KMDW", 0) != 0) continue;
    found = true;
    std::filesystem::remove(e.path());
  }
  return found;
}

std::string ImportScenario::CheckUndo(bool isNew) {
  if (TakeUndoWorkFile()) return "a work file of the undo was left";
  if (!isNew) return Exists(undo_) ? "an undo file of an import that did not happen" : "";
  if (!Exists(undo_)) return "no undo file";
  Platform* previous = SetHost(&NativePlatform());
  SBNdtAry undo;
  std::string description;
  std::string why;
  if (CheckDiffFile(undo_, &undo, &description).fault != DiffFault::kNone) {
    why = "the undo file is not sound";
  } else if (ImportDiff(nullptr, undo_, target_, undo) != 0) {
    why = "the undo was not imported";
  } else {
    const std::string d = Difference(old_state_, Snapshot(target_), {"L.SSD"});
    if (!d.empty()) why = "after the undo: " + d;
  }
  SetHost(previous);
  return why;
}

}  // namespace quarvel
