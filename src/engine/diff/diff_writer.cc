#include "engine/diff/diff_writer.h"

#include <memory>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/entry_base.h"
#include "engine/diff/seal_writer.h"
#include "fileio/fileio.h"
#include "menufiles/library_lookup.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

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

// The block of a document: word, second name, length, data. kNone or why not.
WriteFault WriteDocumentBlock(int diff, const std::string& menuDir, const SBNdt& e, LibraryLookup& libraries) {
  SSDocInfo doc;
  std::string title;
  const int lib = libraries.Find(menuDir + e.name, e.member, &doc, &title);
  if (lib < 0) return WriteFault::kSourceMissing;
  if (DocumentBlockLength(doc) > kMaxDiffData) return WriteFault::kTooLarge;
  WriteDocumentBlockHead(diff, doc);
  if (doc.length > 0 && (FileSeek(lib, doc.offset) < 0 || FileCopyBytes(lib, diff, doc.length) != 0)) {
    return (FileErrorFlags & FERR_DISKFULL) != 0 ? WriteFault::kWriteFailed : WriteFault::kSourceMissing;
  }
  return FileErrorFlags == 0 ? WriteFault::kNone : WriteFault::kWriteFailed;
}

// The block of a whole file: read-only flag, stamp, bytes. kNone or why not.
WriteFault WriteFileBlock(int diff, const std::string& menuDir, const SBNdt& e) {
  const std::string source = menuDir + e.name;
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(source, &attrs) != 0) return WriteFault::kSourceMissing;
  const int fd = FileOpenRead(source);
  if (fd < 0) return WriteFault::kSourceMissing;
  std::uint32_t stamp = 0;
  const std::int64_t size = Host().Size(fd);
  WriteFault result = Host().GetStampFd(fd, &stamp) == 0 && size >= 0 ? WriteFault::kNone : WriteFault::kSourceMissing;
  if (result == WriteFault::kNone && size > kMaxDiffData - 8) result = WriteFault::kTooLarge;
  if (result == WriteFault::kNone) {
    const auto n = static_cast<std::uint32_t>(size);
    WriteFileBlockHead(diff, n, (attrs & kAttrReadOnly) != 0, stamp);
    // A failed copy is a failed read of the source or a failed write of the diff: the error word
    // tells a write apart.
    if ((n > 0 && FileCopyBytes(fd, diff, n) != 0) || FileErrorFlags != 0) {
      result = (FileErrorFlags & FERR_DISKFULL) != 0 ? WriteFault::kWriteFailed : WriteFault::kSourceMissing;
    }
  }
  FileClose(fd);
  return result;
}

}  // namespace

int CreateDiffFile(const std::string& path, const SBNdtAry& changes, const std::string& description) {
  FileRemove(path);
  const int fd = FileCreateNew(path);
  if (fd < 0) return -1;
  WriteU16(fd, DIFF_FILE_MAGIC);
  WriteU16(fd, 1);
  WriteU32(fd, 0);
  WriteU32(fd, static_cast<std::uint32_t>(changes.size()));
  WriteU32(fd, DiffDirectorySize(changes));
  // Cut at a character: half a double-byte character would make the whole text unreadable.
  char field[kDescriptionField] = {};
  SjisCut(description, kDescriptionField - 1).copy(field, kDescriptionField - 1);
  FileWrite(fd, field, kDescriptionField);
  WriteDiffDirectory(fd, changes);
  if (FileErrorFlags != 0) {
    FileCloseWritten(fd);
    FileRemove(path);
    return -1;
  }
  return fd;
}

namespace {

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
  const std::string dir = DirectoryPart(path);
  const std::string work_name = MakeWorkName(dir, "KMDW");
  if (work_name.empty()) return fail(WriteFault::kCannotCreate, -1);
  const std::string work = dir + work_name;
  std::vector<EntryBase> bases;
  if (options.seal) bases = ReadBases(options.baseDir, changes);
  const int diff = CreateDiffFile(work, changes, description != nullptr ? *description : std::string());
  if (diff < 0) return fail(WriteFault::kCannotCreate, -1);

  WriteFault result = WriteFault::kNone;
  int entry = -1;
  std::unique_ptr<SealWriter> sealer;
  if (options.seal) sealer = std::make_unique<SealWriter>(work, diff);
  LibraryLookup libraries;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const SBNdt& e = changes[i];
    // Opening a source clears the error word, so a failed write must be seen before that; a failure of
    // the entry before has its own cause already, which the word must not turn into a failed write.
    if (result != WriteFault::kNone) break;
    if (FileErrorFlags != 0) {
      result = WriteFault::kWriteFailed;
      break;
    }
    entry = static_cast<int>(i);
    if (e.op != kOpAddOrReplace) {
      WriteU32(diff, 0);
    } else if (IsDocumentLevel(e)) {
      result = WriteDocumentBlock(diff, menuDir, e, libraries);
    } else {
      result = WriteFileBlock(diff, menuDir, e);
    }
    if (result == WriteFault::kNone && sealer != nullptr && !sealer->BlockWritten(diff)) result = WriteFault::kWriteFailed;
  }
  if (result == WriteFault::kNone) entry = -1;
  if (result == WriteFault::kNone && FileErrorFlags != 0) result = WriteFault::kWriteFailed;
  if (sealer != nullptr) {
    if (result == WriteFault::kNone && !sealer->Finish(diff, std::move(bases))) result = WriteFault::kWriteFailed;
    sealer->Abandon();  // its descriptor of the work file goes before the work file is renamed or removed
  }
  if (result == WriteFault::kNone && (FileErrorFlags != 0 || FileFlush(diff) != 0)) result = WriteFault::kWriteFailed;
  if (FileCloseWritten(diff) != 0 && result == WriteFault::kNone) result = WriteFault::kWriteFailed;
  // The path is the user's, outside any menu directory: taken as typed, never matched by case.
  if (result == WriteFault::kNone && Host().ReplaceFileExact(work, path) != 0) result = WriteFault::kWriteFailed;
  if (result == WriteFault::kNone) return 0;
  FileRemove(work);
  return fail(CopyStopRequested() ? WriteFault::kStopped : result, CopyStopRequested() ? -1 : entry);
}

}  // namespace quarvel
