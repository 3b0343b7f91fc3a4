// The undo of an import: an ordinary diff whose entries reverse, one by one, what the import is about
// to do. Planned from the menu directory as it stands before the import changes it; the bytes are
// written later from what the import staged (undo_writer.h).
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "model/records.h"

namespace quarvel {

// Why an undo could not be planned or written.
enum class UndoFault {
  kNone,
  kLink,        // a symbolic link stands under a name the import replaces or deletes
  kTooBig,      // a file or document is past what a diff block may hold
  kTooMany,     // more entries than a diff may hold
  kUnsafeName,  // a name on disk that no diff may carry
  kUnreadable,  // a file, library or document could not be read
  kInMenuDir,   // the undo file's path lies in the menu directory
  kIsDiff,      // the undo file's path is the diff being imported
  kPathTaken,   // a file already stands under the undo file's name
  kPathIsLink,  // a symbolic link stands under the undo file's name
  kPathIsDir,   // a directory stands under the undo file's name
  kWrite,       // the undo file could not be written, flushed or put in place
};

// The first fault met while planning or writing an undo, and the name it concerns.
struct UndoFailure {
  UndoFault fault = UndoFault::kNone;
  std::string name;
  // Records the fault; false, for `return Fail(...)` from a step.
  bool Fail(UndoFault f, const std::string& n) {
    fault = f;
    name = n;
    return false;
  }
};

// Where the bytes of an undo entry come from.
enum class UndoSource {
  kNone,      // a deletion: no bytes
  kFile,      // a whole file as it stands before the import
  kDocument,  // one document of a library as it stands before the import
};

struct UndoItem {
  SBNdt entry;                // the undo's directory entry
  UndoSource source = UndoSource::kNone;
  std::string from;           // kFile, kDocument: the file in the menu directory, spelled as on disk
  bool readOnly = false;      // kFile: the file was read-only
  bool wholeLibrary = false;  // kFile: a library whose documents cannot be given back one by one
};

struct UndoPlan {
  std::string description;
  std::vector<UndoItem> items;  // in the undo's directory order
};

// "undo YYYY-MM-DD HH:MM", at the local time `now`, then a space and the diff's description when it
// has one, cut to the 47 bytes of a diff's description without splitting a double-byte character.
std::string UndoDescription(const std::string& diffDescription, std::time_t now);

// Plans the undo of importing the entries of `directory` that carry no excluded mark into `menuDir`
// (ends with a separator), as the import would apply them:
// - a name whose file the import replaces or deletes: an add entry with that file (its spelling on
//   disk, old title, read-only flag); a name where the import makes a file from nothing (a file
//   entry or a library made from added documents): a delete entry;
// - a library that document entries change: an add entry for each document replaced or deleted and a
//   delete entry for each one added, with the old title, when importing them restores the old
//   documents in their old order (deleted documents all at the end, no name twice, no empty name);
//   otherwise one add entry with the whole old library. A library without documents (a header
//   alone, or a file of zero bytes), and one of whose documents none changes (the import rebuilds it
//   under the diff's title all the same), are given back whole.
// Reads only. 0, or -1 with `fault` and the file concerned in `name`.
int PlanUndo(const std::string& menuDir, const SBNdtAry& directory, const std::string& description, UndoPlan* plan,
             UndoFault* fault, std::string* name);

}  // namespace quarvel
