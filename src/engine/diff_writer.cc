#include "engine/diff_writer.h"

#include "engine/diff_check.h"
#include "engine/diff_format.h"
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

// The block of a document: word, second name, length, data. 0 or -1.
int WriteDocumentBlock(int diff, const std::string& menuDir, const SBNdt& e, LibraryLookup& libraries) {
  SSDocInfo doc;
  std::string title;
  const int lib = libraries.Find(menuDir + e.name, e.member, &doc, &title);
  if (lib < 0) return -1;
  if (DocumentBlockLength(doc) > kMaxDiffData) return -1;
  WriteDocumentBlockHead(diff, doc);
  if (doc.length > 0 && (FileSeek(lib, doc.offset) < 0 || FileCopyBytes(lib, diff, doc.length) != 0)) return -1;
  return FileErrorFlags == 0 ? 0 : -1;
}

// The block of a whole file: read-only flag, stamp, bytes. 0 or -1.
int WriteFileBlock(int diff, const std::string& menuDir, const SBNdt& e) {
  const std::string source = menuDir + e.name;
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(source, &attrs) != 0) return -1;
  const int fd = FileOpenRead(source);
  if (fd < 0) return -1;
  std::uint32_t stamp = 0;
  const std::int64_t size = Host().Size(fd);
  int result = Host().GetStampFd(fd, &stamp) == 0 && size >= 0 && size <= kMaxDiffData - 8 ? 0 : -1;
  if (result == 0) {
    const auto n = static_cast<std::uint32_t>(size);
    WriteFileBlockHead(diff, n, (attrs & kAttrReadOnly) != 0, stamp);
    if (n > 0 && FileCopyBytes(fd, diff, n) != 0) result = -1;
    if (FileErrorFlags != 0) result = -1;
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

int WriteDiffFile(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
                  const std::string* description) {
  // A diff that every import would refuse is not written.
  if (changes.empty() || !Representable(changes) || FirstUnsafeEntry(changes) >= 0) return -1;
  // Only the format's three ops: the dialogs' excluded mark is theirs and never reaches a file.
  for (const SBNdt& e : changes) {
    if (e.op != kOpAddOrReplace && e.op != kOpDelete && e.op != kOpUnset) return -1;
  }
  const std::string dir = DirectoryPart(path);
  const std::string work_name = MakeWorkName(dir, "KMDW");
  if (work_name.empty()) return -1;
  const std::string work = dir + work_name;
  const int diff = CreateDiffFile(work, changes, description != nullptr ? *description : std::string());
  if (diff < 0) return -1;

  int result = 0;
  LibraryLookup libraries;
  for (const SBNdt& e : changes) {
    // Opening a source clears the error word, so a failed write must be seen before that.
    if (FileErrorFlags != 0) result = -1;
    if (result != 0) break;
    if (e.op != kOpAddOrReplace) {
      WriteU32(diff, 0);
    } else if (IsDocumentLevel(e)) {
      result = WriteDocumentBlock(diff, menuDir, e, libraries);
    } else {
      result = WriteFileBlock(diff, menuDir, e);
    }
  }
  if (result == 0 && (FileErrorFlags != 0 || FileFlush(diff) != 0)) result = -1;
  if (FileCloseWritten(diff) != 0) result = -1;
  // The path is the user's, outside any menu directory: taken as typed, never matched by case.
  if (result == 0 && Host().ReplaceFileExact(work, path) != 0) result = -1;
  if (result != 0) FileRemove(work);
  return result;
}

}  // namespace quarvel
