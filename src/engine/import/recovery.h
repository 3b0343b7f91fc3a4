// Finishing an import from its journal: the rollback of a staged import and the completion of a
// committed one. Both look at what the directory holds before each step, so either can be run again
// after it was itself interrupted, as often as needed, and ends in the same state.
#pragma once

#include <string>

#include "engine/import/import_check.h"
#include "engine/import/import_journal.h"
#include "model/records.h"

namespace quarvel {

// What a rollback or a completion did, file by file, so that the user is told of every file.
struct RecoveryLog {
  StringAry removed;   // files of the import's removed: work files, new files, backups no longer needed
  StringAry restored;  // names given their old file back from its backup
  StringAry placed;    // libraries given their rebuilt state
  StringAry kept;      // files under the import's names that are not provably its own, left as found
};

enum class RollbackOutcome {
  kDone,        // the directory holds its old state again
  kInPart,      // everything that could be undone was, but some names do not hold their old state
  kUnfinished,  // steps still failed after retries: a later rollback may finish them
};

// Undoes a staged import: work files removed, read-only given back to the libraries, whatever the
// import made under a name removed and each backup moved back under the name it had. A file under a
// created name is removed only when it can be told to be the import's: the very file the journal says
// the import made, or an empty one where the import died before it could say (a journal of an older
// release: empty, or exactly the size the import gives it); anything else under a name stays, is
// added to `left`, and the name's backup then stays too (also in `left`). A name whose backup is gone while
// the name does not hold the old file any more cannot get its old state back: it is added to `lost`.
// Names whose step still failed after retries are added to `left`.
RollbackOutcome RollBackImport(const std::string& menuDir, const ImportJournal& journal, StringAry* left,
                               StringAry* lost, RecoveryLog* log = nullptr);

enum class CommitOutcome {
  kDone,           // every library in place and every backup removed
  kNothingPlaced,  // the first library could not be put in place: the import can still be rolled back
  kPartly,         // stopped after some libraries were put in place
  kLeftovers,      // the new state is in place, but backups or the test file could not be removed
  kLost,           // finished, but the libraries in `lost` were left as they were: their work files
                   // were gone while the library was still the one the import found
};

// Puts each library's work file in place of the library, flushes the directory, then removes the
// backups and the import's test file. Names left behind are added to `left`. A backup goes only where
// the name holds the import's new file, complete: in a recovery (`recovering`), the file the journal
// says it made, of the size it gave it and, where the journal has one, of the bytes the diff's seal
// holds. Where it does not (the file was removed or changed since the import died), the backup stays,
// and the name is added to `lost` and the backup to `left` (kLost): the new state of that name is not
// in place. A recovery also keeps a library that is no longer the one the journal recorded: it is
// added to `lost`, its work file to `left`. (The import's own commit made the files a moment ago and
// has just checked the libraries itself.)
CommitOutcome CompleteImport(const std::string& menuDir, const ImportJournal& journal, StringAry* left,
                             StringAry* lost, bool recovering = false, RecoveryLog* log = nullptr);

// What a recovery found and did.
enum class Recovery {
  kNone,               // no interrupted import
  kRolledBack,         // an import interrupted before its commit was rolled back
  kCompleted,          // an import interrupted in its commit was completed
  kRolledBackInPart,   // rolled back as far as the directory allowed: its old state is not all back
  kCompletedInPart,    // completed but for libraries whose new state was gone
};

// Finishes the import that an interrupted process left in `menuDir`, whose lock the caller holds:
// rolls it back when its commit had not begun, completes the commit when it had, then removes the
// journal. 0 with `done` kNone, kRolledBack or kCompleted; -1 with `why` kJournalUntrusted (nothing
// changed) or kRecoveryFailed and the names still left in `left`. With kRecoveryFailed, `done` says
// whether the journal stays for the next try (kNone) or the recovery did all it could and removed it
// (kRolledBackInPart, kCompletedInPart): then `lost` (or `left`, when `lost` is null) names what
// could not be given its old (new) state, and `left` also what was kept as found.
// `log` (may be null) names every file it removed, restored, put in place or kept as found.
int RecoverImport(const std::string& menuDir, Recovery* done, ImportRefusal* why, StringAry* left,
                  StringAry* lost = nullptr, RecoveryLog* log = nullptr);

// What a recovery of `menuDir` would do, from its journal alone; changes nothing. 0 with `what` set
// (kNone without a journal), -1 when a journal is there but cannot be read or trusted.
int PendingRecovery(const std::string& menuDir, Recovery* what);

// RecoverImport under the directory's own lock (DirLock), for a recovery on its own: also -1 with
// `why` kImportRunning or kNotWritable when the lock cannot be taken.
int RecoverMenuDir(const std::string& menuDir, Recovery* done, ImportRefusal* why, StringAry* left,
                   StringAry* lost = nullptr, RecoveryLog* log = nullptr);

}  // namespace quarvel
