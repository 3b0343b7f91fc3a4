#include "engine/import/undo_writer.h"

#include "engine/diff/diff_builder.h"
#include "engine/diff/entry_base.h"
#include "fileio/fileio.h"
#include "menufiles/library_lookup.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

// Where the file `from` lies now: under its backup when the import moved it aside; false when it was
// moved aside to no backup.
bool SourceOf(const std::string& menuDir, const ImportJournal& journal, const std::string& from, std::string* path) {
  for (const JournalName& n : journal.names) {
    if (n.occupant != from) continue;
    if (n.backup.empty()) return false;
    *path = menuDir + n.backup;
    return true;
  }
  *path = menuDir + from;
  return true;
}

UndoFault Fault(BlockFault f) {
  switch (f) {
    case BlockFault::kNone: return UndoFault::kNone;
    case BlockFault::kSourceMissing: return UndoFault::kUnreadable;
    case BlockFault::kTooLarge: return UndoFault::kTooBig;
    case BlockFault::kReadFailed:
    case BlockFault::kWriteFailed: return UndoFault::kWrite;
  }
  return UndoFault::kWrite;
}

// The block of each item, in order: empty, the old file, or the old library's document.
bool WriteBlocks(DiffBuilder& builder, const std::string& menuDir, const UndoPlan& plan, const ImportJournal& journal,
                 UndoFault* fault, std::string* name) {
  for (const UndoItem& item : plan.items) {
    std::string path;
    BlockFault f = BlockFault::kNone;
    switch (item.source) {
      case UndoSource::kNone: f = builder.AddEmpty(); break;
      case UndoSource::kFile:
        f = SourceOf(menuDir, journal, item.from, &path) ? builder.AddFile(path, &item.readOnly)
                                                          : BlockFault::kSourceMissing;
        break;
      case UndoSource::kDocument: f = builder.AddDocument(menuDir + item.from, item.entry.member); break;
    }
    if (f != BlockFault::kNone) {
      *fault = Fault(f);
      // A failed write is the undo file's, whatever block it came in.
      *name = f == BlockFault::kWriteFailed ? "" : item.from;
      return false;
    }
  }
  return true;
}

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
  DiffBuilder builder;
  if (entries.empty() || !builder.Begin(path, entries, plan.description, true)) return -1;
  std::string blockName;
  if (!WriteBlocks(builder, menuDir, plan, journal, fault, &blockName)) {
    if (!blockName.empty()) *name = blockName;
    return -1;
  }
  *fault = UndoFault::kWrite;
  bool taken = false;
  if (!builder.Finish(StagedBases(menuDir, plan, journal)) || !builder.PlaceNew(&taken)) {
    if (taken) *fault = UndoFault::kPathTaken;
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
