// Writing one diff file, for every writer of diffs (an analysis's diff, an import's undo): the header
// and directory, one block per entry in the directory's order, then the seal, all under a work name
// beside the final path, which is put in place only when complete and flushed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/diff/diff_seal.h"
#include "engine/diff/seal_writer.h"
#include "menufiles/library_lookup.h"
#include "model/records.h"

namespace quarvel {

// Why a block could not be added.
enum class BlockFault {
  kNone,
  kSourceMissing,  // the source file cannot be opened or looked at, or the document is not in its library
  kTooLarge,       // the bytes are more than a block of the format holds
  kReadFailed,     // the source's bytes could not all be read
  kWriteFailed,    // the diff could not be written (a full disk, a failing device)
};

class DiffBuilder {
 public:
  DiffBuilder() = default;
  DiffBuilder(const DiffBuilder&) = delete;
  DiffBuilder& operator=(const DiffBuilder&) = delete;
  // A work file that was not put in place is closed and removed.
  ~DiffBuilder();

  // Makes a new work file beside `path` with the header and the directory of `entries` (the
  // description cut at a character to its field); `seal` digests what follows as it is written.
  // False when the work file cannot be made or written.
  bool Begin(const std::string& path, const SBNdtAry& entries, const std::string& description, bool seal);
  // The next entry's block: empty (a deletion or an unset entry), the whole file at `source` (with
  // the read-only flag given, or the source's own when `readOnly` is null, and the source's stamp),
  // or the document `member` of the library at `library`.
  BlockFault AddEmpty();
  BlockFault AddFile(const std::string& source, const bool* readOnly = nullptr);
  BlockFault AddDocument(const std::string& library, const std::string& member);
  // Appends the seal with `bases` (one per entry; ignored without a seal), flushes and closes the
  // work file. False when any of it failed.
  bool Finish(std::vector<EntryBase> bases);
  // Puts the finished work file at the path, over whatever stands there (the user's own choice of
  // path, taken as typed). False when it could not; the work file is then removed.
  bool PlaceOver();
  // Puts the finished work file at the path only where nothing stands, and makes the name durable.
  // False when it could not (`taken`: something stands there); nothing is then left at either name.
  bool PlaceNew(bool* taken);

  const std::string& WorkPath() const { return work_; }

 private:
  BlockFault Added(BlockFault fault);

  std::string path_, work_;
  int fd_ = -1;
  bool placed_ = false;
  std::unique_ptr<SealWriter> sealer_;
  LibraryLookup libraries_;  // the libraries that documents are taken from, each opened once
};

// The header and directory of a diff of `changes` in a new file at `path`, for the writers above and
// for tests that craft diffs: the descriptor positioned after the directory, or -1 (nothing left).
int CreateDiffFile(const std::string& path, const SBNdtAry& changes, const std::string& description);

}  // namespace quarvel
