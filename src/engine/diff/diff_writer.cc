#include "engine/diff/diff_writer.h"

#include <utility>

#include "engine/diff/diff_builder.h"
#include "engine/diff/diff_check.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/entry_base.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "menufiles/library_lookup.h"

namespace quarvel {

namespace {

bool Representable(const SBNdtAry& changes) {
  if (changes.size() > static_cast<std::size_t>(kMaxDiffEntries)) return false;
  for (const SBNdt& e : changes) {
    for (const std::string* s : {&e.name, &e.title, &e.member}) {
      if (s->size() > kMaxDiffString) return false;
    }
  }
  return true;
}

WriteFault Fault(BlockFault f) {
  switch (f) {
    case BlockFault::kNone: return WriteFault::kNone;
    case BlockFault::kSourceMissing:
    case BlockFault::kReadFailed: return WriteFault::kSourceMissing;
    case BlockFault::kTooLarge: return WriteFault::kTooLarge;
    case BlockFault::kWriteFailed: return WriteFault::kWriteFailed;
  }
  return WriteFault::kWriteFailed;
}

// The seal's base records, read from the old side; kNone where it holds nothing readable.
std::vector<EntryBase> ReadBases(const std::string& baseDir, const SBNdtAry& changes) {
  std::vector<EntryBase> bases(changes.size());
  if (baseDir.empty()) return bases;
  LibraryLookup libraries;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (ReadEntryBase(baseDir, changes[i], libraries, &bases[i]) != 0) bases[i] = {};
  }
  return bases;
}

}  // namespace

int WriteDiffFile(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
                  const std::string* description, WriteFailure* why, const WriteOptions& options) {
  WriteFailure failure;
  auto fail = [&](WriteFault fault, int entry) {
    failure = {fault, entry};
    if (why != nullptr) *why = failure;
    return -1;
  };
  if (why != nullptr) *why = failure;
  // A diff that every import would refuse is not written.
  if (changes.empty()) return fail(WriteFault::kNothingToWrite, -1);
  if (!Representable(changes)) return fail(WriteFault::kNotCarried, -1);
  if (const int bad = FirstUnsafeEntry(changes); bad >= 0) return fail(WriteFault::kUnsafeName, bad);
  // Only the format's three ops: the dialogs' excluded mark is theirs and never reaches a file.
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const std::int32_t op = changes[i].op;
    if ((op != kOpAddOrReplace && op != kOpDelete && op != kOpUnset) || !IsKnownKind(changes[i])) {
      return fail(WriteFault::kBadOp, static_cast<int>(i));
    }
  }
  std::vector<EntryBase> bases;
  if (options.seal) bases = ReadBases(options.baseDir, changes);
  DiffBuilder builder;
  if (!builder.Begin(path, changes, description != nullptr ? *description : std::string(), options.seal)) {
    return fail(WriteFault::kCannotCreate, -1);
  }
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const SBNdt& e = changes[i];
    BlockFault f;
    if (e.op != kOpAddOrReplace) {
      f = builder.AddEmpty();
    } else if (IsDocumentLevel(e)) {
      f = builder.AddDocument(menuDir + e.name, e.member);
    } else {
      f = builder.AddFile(menuDir + e.name);
    }
    if (f == BlockFault::kNone) continue;
    if (CopyStopRequested()) return fail(WriteFault::kStopped, -1);
    return fail(Fault(f), static_cast<int>(i));
  }
  // The path is the user's, outside any menu directory: taken as typed, never matched by case.
  if (builder.Finish(std::move(bases)) && builder.PlaceOver()) return 0;
  return fail(CopyStopRequested() ? WriteFault::kStopped : WriteFault::kWriteFailed, -1);
}

}  // namespace quarvel
