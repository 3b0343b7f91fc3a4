// The journal of an import: every name it will change in the menu directory and every work file it
// will make, written and flushed before its first change, so that an import ended by a crash, a kill
// or a power cut can be rolled back or completed by the next one (recovery.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

enum class JournalState : std::uint8_t {
  kStaging = 0,     // nothing is in place for good: an interrupted import is rolled back
  kCommitting = 1,  // everything is staged and on disk: an interrupted commit is completed
  kDone = 2,        // finished; only the journal itself was still to be removed
};

// A name that file entries change, as the import found it. Only the first entry of a name can find
// a file there: later entries of the same name find it moved aside already.
struct JournalName {
  std::string name;       // the diff's spelling
  std::string occupant;   // the name as it stood on disk; empty when nothing had it
  std::string backup;     // the "SBN0" name that the occupant is moved to; empty with no occupant
  bool readOnly = false;  // the occupant was read-only
  bool created = false;   // an entry makes a new file under this name
};

// A library that document entries change.
struct JournalLibrary {
  std::string name;       // as the diff names it
  std::string work;       // its "SBN1" work file
  bool readOnly = false;  // the library was read-only, and the import clears that while it works
};

struct ImportJournal {
  JournalState state = JournalState::kStaging;
  bool testFileOurs = false;  // "XXXXXX.TMP" was absent, so one found there is the import's own
  std::vector<JournalName> names;
  std::vector<JournalLibrary> libraries;
};

// The journal's bytes: magic 2931 and version 1 (16 bits each), the state byte, three zero bytes,
// the body's length and its CRC-32 (32 bits each), then the body. The state byte lies outside the
// checksum, so that it can be rewritten in place.
std::string EncodeJournal(const ImportJournal& journal);
// False for anything that is not a whole journal as EncodeJournal makes it: bad checksum, counts or
// lengths past the end, bytes after the body, a name that is not a plain file name, a backup or
// work name that is not one of the import's, or names given twice.
bool DecodeJournal(const std::string& bytes, ImportJournal* journal);

// Writes the journal as kJournalWorkName, flushes it, renames it to kJournalName and flushes the
// directory. 0 with `*fd` open on the journal (for MarkJournal), or -1 with nothing left behind
// unless the work name could not be removed.
int WriteJournal(const std::string& menuDir, const ImportJournal& journal, int* fd);
// Rewrites the state byte of the journal open as `fd` and flushes it. 0 or -1.
int MarkJournal(int fd, JournalState state);
// 0 with `journal` filled; kPlatformNotFound when there is none; -1 when it cannot be read or
// trusted.
int ReadJournal(const std::string& menuDir, ImportJournal* journal);
// Removes the journal and flushes the directory. A journal that cannot be removed is marked done,
// so that nobody acts on it again. 0 or -1.
int RemoveJournal(const std::string& menuDir, int fd);

}  // namespace quarvel
