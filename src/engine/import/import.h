// Importing a diff file into a menu directory, all or nothing.
#pragma once

#include <string>

#include "engine/diff/diff_check.h"
#include "engine/import/import_plan.h"
#include "engine/import/recovery.h"
#include "engine/import/undo_plan.h"
#include "model/records.h"

namespace quarvel {

// Part of the new state is in place, or the old one could not be fully put back: a library was
// replaced when a later one still could not be, or a rollback step failed even after retries. The
// report names what was left behind. Only a persistent failure of the file system leads here. Its
// value is none of the platform's codes, so that no code passed up from below can read as it.
constexpr int kImportIncomplete = -16;

// The step of an import that failed after the checks had passed.
enum class ImportStep {
  kNone,
  kJournal,   // writing the journal, before any change
  kBackup,    // moving an existing file (or link) aside to its "SBN0" backup
  kWorkFile,  // making a library's "SBN1" work file
  kReadDiff,  // reading the diff's blocks
  kCreate,    // creating, writing, stamping or flushing a new file
  kRebuild,   // rebuilding a library into its work file
  kFlushDir,  // making the menu directory's names durable
  kCommit,    // putting a rebuilt library in place
  kUndo,      // planning or writing the undo file (ImportReport::undo says why)
};

// Why an import did not complete, and what it could not clean up.
struct ImportReport {
  ImportCheck check;             // the check that refused the diff; ok() when the checks passed
  ImportStep step = ImportStep::kNone;
  std::string name;              // the file of the failed step (CP932, no directory)
  StringAry leftBehind;          // names the import made or moved and could not remove or put back
  Recovery recovered = Recovery::kNone;  // what became of an interrupted import found first
  UndoFault undo = UndoFault::kNone;     // why the undo file could not be made (step kUndo)
  bool undoWritten = false;              // the undo file stands at its path (an import with nothing to undo writes none)
  BaseCheck bases;                       // a sealed diff: entries already applied, or the conflicts that refused it
  // With kImportIncomplete: the import finished all it could and removed its journal; the names in
  // `leftBehind` keep what they held, and nothing is left for a recovery to do.
  bool finishedInPart = false;
};

// Applies the diff at `diffPath` to `menuDir` (which ends with a separator), skipping the entries that
// carry the excluded mark in `list` (the directory the dialog loaded from the same diff, matched by
// position). It locks the menu directory (DirLock) and first finishes an import that an interrupted
// process left there (RecoverImport). The whole diff is checked before anything changes
// (PrepareImport); then the journal is written with every name the import will use, and the
// writability test runs; files to be replaced or deleted are moved to "SBN0" backups, libraries
// rebuilt into "SBN1" work files, new files created exclusively, stamped and flushed; then the
// journal is marked and the commit puts the libraries in place with ReplaceFile and removes the
// backups and, last, the journal. Nothing is ever done through a symbolic link: a link under an
// entry's name is moved aside and restored like a file.
// Returns 0 when every entry that is not excluded was applied, -1 when the menu directory is exactly
// as it was (nothing changed, or everything rolled back) but for the names in `leftBehind`,
// kImportIncomplete as above, with the journal left for the next import or recovery to finish
// (but for a library whose work file went while the import ran: the journal is removed, and the
// library, named in `leftBehind`, keeps its old state).
// `report` (may be null) tells why. `window` is the caller's, unused.
// With an `undoPath` (where nothing may stand yet, outside the menu directory), the import also writes
// there the diff that reverses it (PlanUndo, WriteUndoFile): planned before the journal, written from
// the staged backups and old libraries and flushed before the commit begins. A failure to plan or
// write it fails the import with step kUndo before anything is in place; an import that ends with -1
// leaves no undo file. A kill between the undo's placement and the journal's commit mark leaves an
// undo of an import that the recovery then rolls back; applied to that old state, it changes no file
// but rebuilding the libraries it names.
// A sealed diff: its bases are checked before the first change (CheckImportBases: a conflict refuses
// the import, an entry already applied is left out, and with nothing left the import returns 0
// having changed nothing), and the blocks it uses are verified against the seal by helper threads
// while it stages; a mismatch (check kDigestMismatch naming the entry) rolls back like any failure
// of staging.
int ImportDiff(void* window, const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list,
               ImportReport* report = nullptr, const std::string& undoPath = "", const ImportOptions& options = {});

}  // namespace quarvel
