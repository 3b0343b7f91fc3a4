// Finishing an import from its journal: the rollback of a staged import and the completion of a
// committed one. Both look at what the directory holds before each step, so either can be run again
// after it was itself interrupted, as often as needed, and ends in the same state.
#pragma once

#include <string>

#include "engine/diff_check.h"
#include "engine/import_journal.h"
#include "model/records.h"

namespace quarvel {

// Undoes a staged import: work files removed, read-only given back to the libraries, whatever the
// import made under a name removed and each backup moved back under the name it had. Names whose step
// still failed after retries are added to `left`. True when everything was undone.
bool RollBackImport(const std::string& menuDir, const ImportJournal& journal, StringAry* left);

enum class CommitOutcome {
  kDone,           // every library in place and every backup removed
  kNothingPlaced,  // the first library could not be put in place: the import can still be rolled back
  kPartly,         // stopped after some libraries were put in place
  kLeftovers,      // the new state is in place, but backups or the test file could not be removed
};

// Puts each library's work file in place of the library, flushes the directory, then removes the
// backups and the import's test file. Names left behind are added to `left`.
CommitOutcome CompleteImport(const std::string& menuDir, const ImportJournal& journal, StringAry* left);

// What a recovery found and did.
enum class Recovery {
  kNone,        // no interrupted import
  kRolledBack,  // an import interrupted before its commit was rolled back
  kCompleted,   // an import interrupted in its commit was completed
};

// Finishes the import that an interrupted process left in `menuDir`, whose lock the caller holds:
// rolls it back when its commit had not begun, completes the commit when it had, then removes the
// journal. 0 with `done` set; -1 with `why` kJournalUntrusted (nothing changed) or kRecoveryFailed
// (the journal stays for the next try) and the names still left in `left`.
int RecoverImport(const std::string& menuDir, Recovery* done, DiffFault* why, StringAry* left);

// What a recovery of `menuDir` would do, from its journal alone; changes nothing. 0 with `what` set
// (kNone without a journal), -1 when a journal is there but cannot be read or trusted.
int PendingRecovery(const std::string& menuDir, Recovery* what);

// RecoverImport under the directory's own lock (DirLock), for a recovery on its own: also -1 with
// `why` kImportRunning or kNotWritable when the lock cannot be taken.
int RecoverMenuDir(const std::string& menuDir, Recovery* done, DiffFault* why, StringAry* left);

}  // namespace quarvel
