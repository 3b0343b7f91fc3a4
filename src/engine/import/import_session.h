// One import of one diff file, as a front end drives it: the diff opened and its identity taken, the
// entries the user leaves out, an interrupted import finished first, the checks and the plan with the
// questions they raise, the import, and what it did. kmd and the import dialog word the results; the
// sequence and its rules live here once.
#pragma once

#include <cstddef>
#include <string>

#include "engine/diff/diff_check.h"
#include "engine/import/import.h"
#include "engine/import/import_plan.h"
#include "engine/import/live_files.h"
#include "engine/import/recovery.h"
#include "engine/import/undo_plan.h"
#include "model/records.h"

namespace quarvel {

// What finishing an interrupted import did (RecoverMenuDir).
struct RecoveryResult {
  int result = 0;  // 0, or -1 with `why`
  Recovery done = Recovery::kNone;
  ImportRefusal why = ImportRefusal::kNone;
  StringAry left, lost;
  RecoveryLog log;
  // A recovery that did all it could and removed its journal, leaving names without their old or
  // new state: the directory is not what any diff was made for.
  bool InPart() const { return done == Recovery::kRolledBackInPart || done == Recovery::kCompletedInPart; }
};

class ImportSession {
 public:
  explicit ImportSession(std::string diffPath);

  // Reads the diff's description and directory and checks the whole file as the import will
  // (CheckDiffFile), after taking its identity: a diff replaced or changed while it was read is
  // kDiffChanged. The entries are kept as far as they were read, whatever the result.
  DiffCheck Open();

  const std::string& DiffPath() const { return diffPath_; }
  const std::string& Description() const { return description_; }
  bool Sealed() const { return sealed_; }
  // The diff's entries; a front end marks those the user leaves out with kOpExcluded.
  SBNdtAry& Entries() { return entries_; }
  const SBNdtAry& Entries() const { return entries_; }
  // Entries back in: the excluded mark taken off every one.
  void TakeBackAll();

  // Finishes an import that an interrupted process left in `menuDir`, under the directory's lock.
  static RecoveryResult FinishInterrupted(const std::string& menuDir);

  // The user's answer to the conflicts of a plan: import over them.
  void ImportOver(bool force) { force_ = force; }

  // Every check that the import runs before its first change, and what it would do (PlanImport).
  // `verify` also verifies a sealed diff's bytes (a caller that imports next leaves that to the
  // import). 0, or -1 with `why`: kConflicts asks whether to import over them (ImportOver); the plan
  // holds them. The plan counts what the import does: names that differ in case are one file.
  int Plan(const std::string& menuDir, bool verify, ImportPlan* plan, ImportCheck* why) const;

  // What an undo file of this import would hold, planned as the import plans it, for a dry run.
  int PlanUndoFile(const std::string& menuDir, UndoPlan* undo, UndoFault* fault, std::string* name) const;

  // Imports the entries that are not left out (ImportDiff), with the answers given.
  int Import(const std::string& menuDir, const std::string& undoPath, ImportReport* report) const;

  // How many entries an import that returned 0 applied: neither left out nor already applied.
  std::size_t ImportedCount(const ImportPlan& plan, const ImportReport& report) const;

 private:
  std::string diffPath_;
  std::string description_;
  SBNdtAry entries_;
  bool sealed_ = false;
  SeenFile seen_;  // the diff as its entries were read
  bool force_ = false;

  ImportOptions Options() const;
};

}  // namespace quarvel
