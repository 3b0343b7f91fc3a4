// The journal of an import: every name it will change in the menu directory and every work file it
// will make, written and flushed before its first change, so that an import ended by a crash, a kill
// or a power cut can be rolled back or completed by the next one (recovery.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sha256.h"

namespace quarvel {

enum class JournalState : std::uint8_t {
  kStaging = 0,     // nothing is in place for good: an interrupted import is rolled back
  kCommitting = 1,  // everything is staged and on disk: an interrupted commit is completed
  kDone = 2,        // finished; only the journal itself was still to be removed
};

// What a regular file was when the journal was written: enough to tell it from another file left
// under its name later.
struct FileIdentity {
  bool known = false;       // false for a link, or when the journal could not record it
  std::uint64_t size = 0;
  std::uint32_t stamp = 0;  // DOS time and date, as the platform gives it
};

// What stands at `path`: 0 with `id` known for a regular file; 0 with `id` unknown for a link or a
// directory; kPlatformNotFound when nothing has the name; -1 when it cannot be told.
int IdentifyFile(const std::string& path, FileIdentity* id);

// A name that file entries change, as the import found it. Only the first entry of a name can find
// a file there: later entries of the same name find it moved aside already.
struct JournalName {
  std::string name;       // the diff's spelling
  std::string occupant;   // the name as it stood on disk; empty when nothing had it
  std::string backup;     // the "SBN0" name that the occupant is moved to; empty with no occupant
  bool readOnly = false;  // the occupant was read-only
  bool created = false;   // an entry makes a new file under this name
  FileIdentity was;       // the occupant, which its backup holds once moved
  // The size of the file an entry makes under the name. The import gives a new file this size before
  // it writes a byte, so a file of the import's is empty or exactly this long.
  std::uint64_t createdSize = 0;
  // The stamp the import gives that file, 0 when it keeps the time of its writing.
  std::uint32_t createdStamp = 0;
  // The file the import made under the name, as the host tells one file from another: recorded once
  // it is made, empty, before a byte is written. Before that a journal knows it only as empty.
  bool madeKnown = false;
  std::uint64_t madeVolume = 0;
  std::uint64_t madeIndex = 0;
  // A sealed diff's digest of the file's block (its length field, flag word, stamp and bytes): what the
  // file must hold once complete. `createdFlag` is the block's flag word.
  bool digestKnown = false;
  std::uint32_t createdFlag = 0;
  Sha256Digest createdDigest{};
};

// A library that document entries change.
struct JournalLibrary {
  std::string name;       // as the diff names it
  std::string work;       // its "SBN1" work file
  bool readOnly = false;  // the library was read-only, and the import clears that while it works
  // The library as the import found it; unknown when there was none, or when a file entry replaces it.
  // A work file that is gone while the library is still this one was never put in place.
  FileIdentity was;
};

struct ImportJournal {
  JournalState state = JournalState::kStaging;
  bool testFileOurs = false;  // "XXXXXX.TMP" was absent, so one found there is the import's own
  // False for a journal of version 1 (an older release), which records names only: its recovery goes
  // by names, as that release's did.
  bool contentsKnown = true;
  // False for a journal of version 2 (an older release), which tells the import's files by their
  // sizes alone: its recovery goes by them, as that release's did.
  bool madeFilesKnown = true;
  std::vector<JournalName> names;
  std::vector<JournalLibrary> libraries;
};

// The journal's bytes: magic 2931 and version 3 (16 bits each), the state's code byte, three zero
// bytes, the body's length and its CRC-32 (32 bits each), then the body. The state lies outside the
// checksum, so that it can be rewritten in place by one write of one byte, which no crash leaves
// half done; its three codes differ from each other in four bits, so a changed bit never reads as
// another state.
std::string EncodeJournal(const ImportJournal& journal);
// False for anything that is not a whole journal as EncodeJournal makes it: a state byte that is not
// one of the codes, bad checksum, counts or lengths past the end, bytes after the body, a name that is
// not a plain file name, a backup or work name that is not one of the import's, or names given twice.
// Also reads a journal of version 2 (no stamp, identity or digest of the files the import makes), with
// `madeFilesKnown` false, and of version 1 (state byte, three zero bytes, and a body of names only),
// with `contentsKnown` false too: its state byte has no check of its own.
bool DecodeJournal(const std::string& bytes, ImportJournal* journal);

// Writes the journal as kJournalWorkName, flushes it, renames it to kJournalName and flushes the
// directory. 0 with `*fd` open on the journal (for MarkJournal), or -1 with nothing left behind
// unless the work name could not be removed.
int WriteJournal(const std::string& menuDir, const ImportJournal& journal, int* fd);
// Puts `journal` in place of the journal open as `*fd` in one step (written beside it, flushed, then
// renamed over it) and flushes the directory; `*fd` is then the new journal's. 0, or -1 with the old
// journal in place and open again as `*fd` (-1 when even that failed), or, when only the flush of the
// directory failed, the new one, open as `*fd`: both are the import's.
int RewriteJournal(const std::string& menuDir, const ImportJournal& journal, int* fd);
// Rewrites the state's code byte of the journal open as `fd` and flushes it. 0 or -1.
int MarkJournal(int fd, JournalState state);
// 0 with `journal` filled; kPlatformNotFound when there is none; -1 when it cannot be read or
// trusted.
int ReadJournal(const std::string& menuDir, ImportJournal* journal);
// Removes the journal and flushes the directory. A journal that cannot be removed is marked done,
// so that nobody acts on it again. 0 or -1.
int RemoveJournal(const std::string& menuDir, int fd);

}  // namespace quarvel
