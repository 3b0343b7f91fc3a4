// The checks that an import runs before it touches the menu directory, and the plan of what it would
// do, for a dry run.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/diff/diff_check.h"
#include "engine/import/base_check.h"
#include "engine/import/import_check.h"
#include "engine/import/live_files.h"
#include "model/records.h"

namespace quarvel {

// A diff opened and checked for import: its directory with the excluded marks of the list copied in,
// and where each entry's block lies.
struct PreparedDiff {
  int fd = -1;  // the open diff, positioned anywhere; closed by Close or with the record
  std::string description;
  SBNdtAry directory;
  std::vector<DiffBlock> blocks;
  SealState seal;

  PreparedDiff() = default;
  PreparedDiff(const PreparedDiff&) = delete;
  PreparedDiff& operator=(const PreparedDiff&) = delete;
  PreparedDiff(PreparedDiff&& other) noexcept { *this = std::move(other); }
  PreparedDiff& operator=(PreparedDiff&& other) noexcept;
  ~PreparedDiff() { Close(); }
  void Close();
};

// What an import may do beyond its rules.
struct ImportOptions {
  bool force = false;  // import over local changes: a conflict refuses nothing (it is still reported)
  // The diff file as the caller found it when it read the list (SeeFile), or null: a diff that is
  // another file, or changed, by the time the import opens it is refused as such.
  const SeenFile* diffSeen = nullptr;
};

// Opens the diff, copies the excluded marks of `list` by position and checks the whole diff against
// the menu directory: that it is a directory, the diff's structure and names, the paths, that each
// name fits the file system and has no directory under it, and every library that document entries
// change (it must be absent, empty, replaced by the same diff, or readable as a library). Touches
// nothing. 0, or -1 with `why` set and the diff closed.
int PrepareImport(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list,
                  PreparedDiff* out, ImportCheck* why);

// For a sealed diff: checks the bases (CheckBases) of the entries that `prepared` does not exclude,
// verifies the blocks of those found applied or in conflict (a damaged block is kDigestMismatch, not
// a local change), puts the excluded mark on those already applied, and refuses the import when any
// conflicts, unless `options.force`: -1 with `why` kConflicts at the first one. 0 otherwise; `bases`
// holds what was found either way (with force, the conflicts that the import goes over).
int CheckImportBases(const std::string& menuDir, const ImportOptions& options, PreparedDiff* prepared,
                     BaseCheck* bases, ImportCheck* why);

// True when `directory` has an entry without the excluded mark.
bool AnyToImport(const SBNdtAry& directory);
// chosen[i]: entry i of `directory` carries no excluded mark.
std::vector<bool> ChosenEntries(const SBNdtAry& directory);

// What an import finds under the name of a library that document entries change.
enum class LibraryState {
  kAbsent,      // no such file: the library is made from the additions
  kEmpty,       // a file of zero bytes, as an import leaves when it deletes every document
  kIndexed,     // a library whose index was read
  kUnreadable,  // a file that cannot be read as a library: it must not be replaced
};

// Reads the library at `path` for a change. kIndexed fills `docs` and leaves `*fd` open for the
// caller to close; every other state leaves `*fd` at -1.
LibraryState OpenLibraryForChange(const std::string& path, SSDocInfoAry* docs, int* fd);

struct PlannedDocument {
  std::string library;
  std::string member;
  bool remove = false;
};

struct ImportPlan {
  StringAry creates;     // files that do not exist yet
  StringAry replaces;    // files that exist and get the diff's bytes
  StringAry deletes;     // files that exist and are removed
  StringAry absent;      // deletions of files that do not exist: nothing to do
  StringAry rebuilds;    // libraries rebuilt for document changes
  std::vector<PlannedDocument> documents;
  int excluded = 0;        // entries the list leaves out
  BaseCheck bases;       // entries already applied (left out) and, when refused, the conflicts
  bool sealed = false;   // the diff carries a seal: its bytes and bases were checked
  StringAry leftBehind;  // a refusal by the writability test: its file, which could not be removed
};

// The import's writability test, "XXXXXX.TMP" in the menu directory: made as a new file and removed.
// A file already under that name is not ours; it is left alone and the test passes. Returns kNone,
// kNotWritable, or kTestFileLeft with the name added to `leftBehind` when it could not be removed.
constexpr char kWritabilityTestName[] = "XXXXXX.TMP";
ImportRefusal TestWritable(const std::string& menuDir, StringAry* leftBehind);

// Removes a file, clearing its read-only attribute when access was denied. True when the file is gone.
bool RemoveFileOrReadOnly(const std::string& path);

// Runs every check that an import runs before its first change, the writability test included, and
// tells what the import would create, replace, delete and rebuild; refuses while another import runs
// there or an interrupted one awaits recovery (MenuDirBusy). Changes nothing (the test file is
// removed again). 0, or -1 with `why` set.
// A sealed diff's bases are checked (CheckImportBases) and, with `digests`, its bytes verified
// against its seal (a caller that imports next leaves that to the import, which verifies while it
// stages).
int PlanImport(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list, ImportPlan* plan,
               ImportCheck* why, const ImportOptions& options = {}, bool digests = true);

}  // namespace quarvel
