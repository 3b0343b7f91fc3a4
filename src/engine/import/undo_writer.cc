#include "engine/import/undo_writer.h"

#include "engine/diff/diff_format.h"
#include "engine/diff/diff_writer.h"
#include "engine/diff/entry_base.h"
#include "engine/diff/seal_writer.h"
#include "fileio/fileio.h"
#include "menufiles/library_lookup.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

// The undo's work file: closed, and removed unless it was put in place.
struct WorkFile {
  std::string path;
  int fd = -1;
  bool placed = false;
  ~WorkFile() {
    if (fd >= 0) FileCloseWritten(fd);
    if (!placed && !path.empty()) FileRemove(path);
  }
};

struct Writer : UndoFailure {
  Writer(const std::string& dir, const ImportJournal& j, int fd) : menuDir(dir), journal(j), diff(fd) {}
  const std::string& menuDir;
  const ImportJournal& journal;
  int diff;
  LibraryLookup libraries;  // the old libraries that documents are taken from

  // Where the file `from` lies now: under its backup when the import moved it aside.
  bool SourceOf(const std::string& from, std::string* path) {
    for (const JournalName& n : journal.names) {
      if (n.occupant != from) continue;
      if (n.backup.empty()) return false;
      *path = menuDir + n.backup;
      return true;
    }
    *path = menuDir + from;
    return true;
  }

  // Read-only flag, stamp, bytes: the block of a whole file.
  bool FileBlock(const UndoItem& item) {
    std::string path;
    if (!SourceOf(item.from, &path)) return Fail(UndoFault::kUnreadable, item.from);
    const int fd = FileOpenRead(path);  // never through a link
    if (fd < 0) return Fail(UndoFault::kUnreadable, item.from);
    std::uint32_t stamp = 0;
    const std::int64_t size = Host().Size(fd);
    UndoFault f = UndoFault::kNone;
    if (Host().GetStampFd(fd, &stamp) != 0 || size < 0) {
      f = UndoFault::kUnreadable;
    } else if (size > static_cast<std::int64_t>(kMaxDiffData) - 8) {
      f = UndoFault::kTooBig;
    } else {
      const auto n = static_cast<std::uint32_t>(size);
      WriteFileBlockHead(diff, n, item.readOnly, stamp);
      if ((n > 0 && FileCopyBytes(fd, diff, n) != 0) || FileErrorFlags != 0) f = UndoFault::kWrite;
    }
    FileClose(fd);
    return f == UndoFault::kNone || Fail(f, item.from);
  }

  // Word, second name, length, data: the block of one document of the old library.
  bool DocumentBlock(const UndoItem& item) {
    SSDocInfo d;
    std::string title;
    const int lib = libraries.Find(menuDir + item.from, item.entry.member, &d, &title);
    if (lib < 0) return Fail(UndoFault::kUnreadable, item.from);
    if (DocumentBlockLength(d) > kMaxDiffData) return Fail(UndoFault::kTooBig, item.from);
    WriteDocumentBlockHead(diff, d);  // the lookup gives the stored word as `word`
    if (d.length > 0 && (FileSeek(lib, static_cast<std::int64_t>(d.offset)) < 0 ||
                         FileCopyBytes(lib, diff, d.length) != 0)) {
      return Fail(UndoFault::kWrite, item.from);
    }
    return FileErrorFlags == 0 || Fail(UndoFault::kWrite, item.from);
  }

  bool Blocks(const UndoPlan& plan, SealWriter& sealer) {
    for (const UndoItem& item : plan.items) {
      // Opening a source clears the error word, so a failed write must be seen before that.
      if (FileErrorFlags != 0) return Fail(UndoFault::kWrite, "");
      bool ok = true;
      switch (item.source) {
        case UndoSource::kNone: WriteU32(diff, 0); break;
        case UndoSource::kFile: ok = FileBlock(item); break;
        case UndoSource::kDocument: ok = DocumentBlock(item); break;
      }
      if (!ok) return false;
      if (!sealer.BlockWritten(diff)) return Fail(UndoFault::kWrite, "");
    }
    return FileErrorFlags == 0 || Fail(UndoFault::kWrite, "");
  }
};

// The undo's bases: what the import leaves under each entry's name once it commits, which is what an
// undo applied later must find there. A file the import creates stands under its name already, a
// library it rebuilds waits in its work file, a file it deletes is gone (moved to its backup).
std::vector<EntryBase> StagedBases(const std::string& menuDir, const UndoPlan& plan, const ImportJournal& journal) {
  std::vector<EntryBase> bases;
  LibraryLookup libraries;
  for (const UndoItem& item : plan.items) {
    SBNdt staged = item.entry;
    for (const JournalLibrary& l : journal.libraries) {
      if (SjisAsciiUpper(l.name) == SjisAsciiUpper(staged.name)) staged.name = l.work;
    }
    EntryBase base;
    if (ReadEntryBase(menuDir, staged, libraries, &base) != 0) base = {};
    bases.push_back(base);
  }
  return bases;
}

}  // namespace

UndoFault CheckUndoPath(const std::string& path, const std::string& menuDir, const std::string& diffPath) {
  if (DirectoryPart(path) == menuDir) return UndoFault::kInMenuDir;
  if (path == diffPath) return UndoFault::kIsDiff;
  std::uint32_t attrs = 0;
  const int r = Host().GetAttributes(path, &attrs);
  if (r == kPlatformNotFound) return UndoFault::kNone;
  if (r == 0 && (attrs & kAttrLink)) return UndoFault::kPathIsLink;
  if (r == 0 && (attrs & kAttrDirectory)) return UndoFault::kPathIsDir;
  return UndoFault::kPathTaken;
}

int WriteUndoFile(const std::string& path, const std::string& menuDir, const UndoPlan& plan,
                  const ImportJournal& journal, UndoFault* fault, std::string* name) {
  *fault = UndoFault::kWrite;
  *name = path;
  SBNdtAry entries;
  for (const UndoItem& item : plan.items) entries.push_back(item.entry);
  const std::string dir = DirectoryPart(path);
  const std::string work_name = MakeWorkName(dir, "KMDW");
  if (entries.empty() || work_name.empty()) return -1;
  WorkFile work;
  work.fd = CreateDiffFile(dir + work_name, entries, plan.description);
  if (work.fd < 0) return -1;
  work.path = dir + work_name;
  Writer w(menuDir, journal, work.fd);
  SealWriter sealer(work.path, work.fd);
  if (!w.Blocks(plan, sealer)) {
    sealer.Abandon();
    *fault = w.fault;
    if (!w.name.empty()) *name = w.name;
    return -1;
  }
  const bool sealed = sealer.Finish(work.fd, StagedBases(menuDir, plan, journal));
  sealer.Abandon();
  if (!sealed) return -1;
  const bool flushed = FileFlush(work.fd) == 0;
  const int fd = work.fd;
  work.fd = -1;
  if (FileCloseWritten(fd) != 0 || !flushed) return -1;
  std::uint32_t attrs = 0;
  if (Host().Rename(work.path, path) != 0) {
    if (Host().GetAttributes(path, &attrs) != kPlatformNotFound) *fault = UndoFault::kPathTaken;
    return -1;
  }
  work.placed = true;
  if (Host().FlushDir(dir) != 0) {
    RemoveUndoFile(path);
    return -1;
  }
  *fault = UndoFault::kNone;
  name->clear();
  return 0;
}

bool RemoveUndoFile(const std::string& path) {
  const int r = FileRemove(path);
  Host().FlushDir(DirectoryPart(path));
  return r == 0 || r == kPlatformNotFound;
}

}  // namespace quarvel
