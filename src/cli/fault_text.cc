#include "cli/fault_text.h"

namespace quarvel::kmd {

const char* DiffFaultText(DiffFault fault) {
  switch (fault) {
    case DiffFault::kNone: return "ok";
    case DiffFault::kNotOpened: return "the file cannot be opened";
    case DiffFault::kNotDiff: return "not a diff file (wrong magic number or a later version)";
    case DiffFault::kHeaderMismatch: return "the header's entry count or directory size does not match the directory";
    case DiffFault::kDirectoryCut: return "the header or directory is cut short or has a negative count";
    case DiffFault::kUnsafeName: return "an entry's name is not a plain file name";
    case DiffFault::kBlockPastEnd: return "a data block runs past the end of the file";
    case DiffFault::kBlockTooLong: return "a data block is longer than a diff file may hold";
    case DiffFault::kFileBlockShort: return "a file block is shorter than its flag and stamp";
    case DiffFault::kDocumentBlockBad: return "a document block does not match its lengths";
    case DiffFault::kDeletionWithData: return "a deletion carries data";
    case DiffFault::kUnknownOp: return "an entry's operation is neither add, replace nor delete";
    case DiffFault::kUnknownKind: return "an entry's kind is unknown, or it names a document outside a document library";
    case DiffFault::kTrailingBytes: return "bytes after the last data block are not a valid seal";
    case DiffFault::kSealMismatch: return "the seal does not match the diff's directory";
    case DiffFault::kDigestMismatch: return "bytes differ from the seal (the diff is damaged)";
    case DiffFault::kDiffChanged: return "the diff file changed while it was read";
  }
  return "unknown fault";
}

const char* RefusalText(ImportRefusal refusal) {
  switch (refusal) {
    case ImportRefusal::kNone: return "ok";
    case ImportRefusal::kEmptyList: return "there is nothing to import";
    case ImportRefusal::kCountMismatch: return "the entry list does not match the diff's directory";
    case ImportRefusal::kPathTooLong: return "a path into the menu directory is too long";
    case ImportRefusal::kNameTooLong: return "a name is longer than the menu directory's file system allows";
    case ImportRefusal::kMenuDirMissing: return "the menu directory does not exist";
    case ImportRefusal::kMenuDirNotDirectory: return "the menu directory is not a directory";
    case ImportRefusal::kAmbiguousName: return "files whose names differ in case only stand under an entry's name";
    case ImportRefusal::kDirectoryInTheWay: return "a directory stands under the name of a file to be changed";
    case ImportRefusal::kBadLibrary: return "a library to be changed cannot be read as a library";
    case ImportRefusal::kConflicts: return "the menu directory was changed since the diff was made";
    case ImportRefusal::kNotWritable: return "the menu directory cannot be written";
    case ImportRefusal::kTestFileLeft: return "the test file XXXXXX.TMP was made but cannot be removed";
    case ImportRefusal::kImportRunning: return "another import is running in the menu directory";
    case ImportRefusal::kJournalUntrusted: return "the journal of an interrupted import cannot be read or trusted";
    case ImportRefusal::kRecoveryFailed: return "the interrupted import found there could not be finished";
    case ImportRefusal::kRecoveryPending: return "an interrupted import awaits recovery in the menu directory";
    case ImportRefusal::kLockInTheWay: return "a symbolic link stands under the lock file's name QUARVEL.LCK";
    case ImportRefusal::kLockIsDirectory: return "a directory stands under the lock file's name QUARVEL.LCK";
    case ImportRefusal::kLockIsSpecial: return "a FIFO or another special file stands under the lock file's name QUARVEL.LCK";
    case ImportRefusal::kLockOfOtherUser: return "a lock file of another user's import is left";
    case ImportRefusal::kLockLinked: return "the lock file QUARVEL.LCK has other names (a hard link)";
    case ImportRefusal::kChangedDuringImport: return "was changed while the import ran; nothing was imported";
  }
  return "unknown refusal";
}

const char* CheckText(const ImportCheck& check) {
  return check.refusal != ImportRefusal::kNone ? RefusalText(check.refusal) : DiffFaultText(check.fault);
}

const char* ImportStepText(ImportStep step) {
  switch (step) {
    case ImportStep::kNone: return "nothing failed";
    case ImportStep::kJournal: return "could not write the import's journal";
    case ImportStep::kBackup: return "could not move aside";
    case ImportStep::kWorkFile: return "could not make a work file for";
    case ImportStep::kReadDiff: return "could not read the diff's data for";
    case ImportStep::kCreate: return "could not create";
    case ImportStep::kRebuild: return "could not rebuild";
    case ImportStep::kFlushDir: return "could not flush the menu directory";
    case ImportStep::kCommit: return "could not put in place";
    case ImportStep::kUndo: return "could not make the undo file";
  }
  return "unknown step";
}

const char* UndoFaultText(UndoFault fault) {
  switch (fault) {
    case UndoFault::kNone: return "ok";
    case UndoFault::kLink: return "a symbolic link, which a diff cannot carry, stands under a name to be changed";
    case UndoFault::kTooBig: return "a file to be changed is larger than a diff may hold";
    case UndoFault::kTooMany: return "the undo would hold more entries than a diff may";
    case UndoFault::kUnsafeName: return "a file to be changed has a name that a diff may not carry";
    case UndoFault::kUnreadable: return "a file to be changed cannot be read";
    case UndoFault::kInMenuDir: return "the undo file would lie in the menu directory";
    case UndoFault::kIsDiff: return "the undo file would replace the diff being imported";
    case UndoFault::kPathTaken: return "a file already stands under the undo file's name";
    case UndoFault::kPathIsLink: return "a symbolic link stands under the undo file's name";
    case UndoFault::kPathIsDir: return "a directory stands under the undo file's name";
    case UndoFault::kWrite: return "the undo file could not be written";
  }
  return "unknown fault";
}

const char* WriteFaultText(WriteFault fault) {
  switch (fault) {
    case WriteFault::kNone: return "ok";
    case WriteFault::kNothingToWrite: return "there is nothing to write";
    case WriteFault::kNotCarried: return "the list, or a name or title in it, is longer than a diff holds";
    case WriteFault::kUnsafeName: return "an entry's name is one that no import would take";
    case WriteFault::kBadOp: return "an entry's operation is not one a diff holds";
    case WriteFault::kCannotCreate: return "it cannot be created in that directory";
    case WriteFault::kSourceMissing: return "a file or document of the menu directory cannot be read";
    case WriteFault::kTooLarge: return "a file or document is larger than a diff's 2 GB limit for one entry";
    case WriteFault::kWriteFailed: return "writing it failed (is the disk full?)";
    case WriteFault::kStopped: return "it was stopped";
  }
  return "failed";
}

}  // namespace quarvel::kmd
