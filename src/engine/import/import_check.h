// Why an import did not go on: a fault of the diff itself (DiffFault), or a refusal that comes from
// the menu directory it was to change, its lock, an interrupted import there or the user's list.
#pragma once

#include "engine/diff/diff_check.h"

namespace quarvel {

enum class ImportRefusal {
  kNone,
  kEmptyList,           // the list of entries to import is empty
  kCountMismatch,       // the list does not match the diff's directory
  kPathTooLong,         // the menu directory and a name do not fit a path
  kNameTooLong,         // a name is longer than the menu directory's file system allows
  kMenuDirMissing,      // the menu directory does not exist
  kMenuDirNotDirectory, // the menu directory's path names something that is not a directory
  kDirectoryInTheWay,   // a directory stands under the name of a file the diff creates, replaces or deletes
  kAmbiguousName,       // several files whose names differ in case only stand under an entry's name
  kBadLibrary,          // a library to be changed exists but cannot be read as a library
  kConflicts,           // items of the menu directory changed since the diff was made (its seal's bases)
  kNotWritable,         // the menu directory cannot be written
  kTestFileLeft,        // the writability test's file was made but could not be removed
  kImportRunning,       // another process is importing into the menu directory
  kJournalUntrusted,    // an interrupted import's journal cannot be read or trusted
  kRecoveryFailed,      // an interrupted import could not be finished
  kRecoveryPending,     // an interrupted import awaits recovery in the menu directory
  kLockInTheWay,        // a symbolic link stands under the lock file's name
  kLockIsDirectory,     // a directory stands under the lock file's name
  kLockIsSpecial,       // a FIFO, a socket or a device stands under the lock file's name
  kLockOfOtherUser,     // a lock file of another user's import is left in the menu directory
  kLockLinked,          // the lock file has other names (a hard link to a file elsewhere)
  kChangedDuringImport, // a file the import moves aside or rebuilds was changed by someone else meanwhile
};

struct ImportCheck {
  DiffFault fault = DiffFault::kNone;             // the diff's own fault
  ImportRefusal refusal = ImportRefusal::kNone;   // or the refusal of its import
  int entry = -1;  // the entry concerned, -1 for the diff or the directory as a whole

  ImportCheck() = default;
  ImportCheck(DiffFault f, int e) : fault(f), entry(e) {}
  ImportCheck(ImportRefusal r, int e) : refusal(r), entry(e) {}
  // Implicit: a fault of the diff itself is a reason for its import not to go on.
  ImportCheck(const DiffCheck& c) : fault(c.fault), entry(c.entry) {}
  bool ok() const { return fault == DiffFault::kNone && refusal == ImportRefusal::kNone; }
};

}  // namespace quarvel
