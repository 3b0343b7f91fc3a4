#include "engine/import/import.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>

#include "fileio/fileio.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/seal_check.h"
#include "engine/import/dir_lock.h"
#include "engine/import/import_journal.h"
#include "engine/import/import_plan.h"
#include "engine/import/live_files.h"
#include "engine/import/retry.h"
#include "engine/import/undo_writer.h"
#include "fileio/work_names.h"
#include "menufiles/libindex.h"
#include "menufiles/rebuild.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

bool RemoveFile(const std::string& path) { return RemoveFileOrReadOnly(path); }

// A file command and what staging did for it.
struct FileWork {
  SBCmd cmd;
  std::size_t name = 0;   // its name in the journal
  bool first = false;     // the first entry of that name, which moves the occupant aside
  bool created = false;   // a new file stands under cmd.name
};

struct ImportState {
  std::string menuDir;
  std::string diffPath;
  PreparedDiff diff;
  SFTbl table;
  SBCmdAry documents;
  std::vector<FileWork> files;
  ImportJournal journal;
  int journalFd = -1;
  // What stood under each name that the import moves aside or rebuilds (by upper-cased name), seen
  // before anything read or checked it, and the holds that keep other writers out where the host can.
  std::unordered_map<std::string, SeenFile> seen;
  std::unordered_map<std::string, FileHold> holds;
  std::vector<FileId> backups;        // per journal name with a backup: the backup as the rename left it
  std::vector<SeenFile> libraries;    // per library of the table: as its rebuild read it
  std::vector<bool> libraryReplaced;  // per library: a file entry of the same diff replaces it
  FileId diffId;                      // the diff file as the import opened it
  // A descriptor of the menu directory's file system, open since before the first change (the lock
  // file's), when the host flushes a whole file system at once: the created files are then flushed
  // together after staging instead of each as it is written.
  int flushAllFd = -1;
  ImportReport report;
  DirLock lock;

  ~ImportState() {
    if (journalFd >= 0) Host().Close(journalFd);
  }
  std::string Path(const std::string& name) const { return menuDir + name; }
  // Records the step that failed; always false.
  bool Fail(ImportStep step, const std::string& name) {
    report.step = step;
    report.name = name;
    return false;
  }
  void LeftBehind(const std::string& name) { report.leftBehind.push_back(name); }
  // Records that `name` (a file the import moves aside or rebuilds) is no longer what the import saw;
  // always false.
  bool Changed(const std::string& name) {
    int entry = -1;
    const std::string upper = SjisAsciiUpper(name);
    for (std::size_t i = 0; i < diff.directory.size() && entry < 0; ++i) {
      if (!IsExcluded(diff.directory[i]) && SjisAsciiUpper(diff.directory[i].name) == upper) entry = static_cast<int>(i);
    }
    report.check = {ImportRefusal::kChangedDuringImport, entry};
    return Fail(ImportStep::kBackup, name);
  }
  // True when the name still holds what the import saw there first.
  bool AsSeen(const std::string& name) const {
    const auto it = seen.find(SjisAsciiUpper(name));
    return it != seen.end() && StillAsSeen(Path(name), it->second);
  }
};

bool IsReadOnlyFile(const std::string& path) {
  std::uint32_t attrs = 0;
  return Host().GetAttributes(path, &attrs) == 0 && (attrs & kAttrReadOnly);
}

// Looks at every name that the import may move aside or rebuild, before the base check or the plan
// reads anything of them, and holds each file found there where the host can keep other writers out.
bool SeeTargets(ImportState& s) {
  for (const SBNdt& e : s.diff.directory) {
    const std::string upper = SjisAsciiUpper(e.name);
    if (IsExcluded(e) || s.seen.count(upper) != 0) continue;
    SeenFile f;
    if (SeeFile(s.Path(e.name), &f) != 0) return s.Fail(IsDocumentLevel(e) ? ImportStep::kRebuild : ImportStep::kBackup, e.name);
    s.seen.emplace(upper, f);
    if (f.present && (f.id.attrs & (kAttrLink | kAttrDirectory)) == 0) s.holds[upper].Take(s.Path(e.name));
  }
  return true;
}

// The file that entry `i` (which adds it) makes: where its bytes lie in the diff, its flag and stamp,
// and what the journal records of it. The last entry of a name gives the file that stays.
bool PlanCreatedFile(ImportState& s, std::size_t i, FileWork& w) {
  const DiffBlock& block = s.diff.blocks[i];
  if (FileSeek(s.diff.fd, block.DataStart()) < 0) return s.Fail(ImportStep::kReadDiff, w.cmd.name);
  FileErrorFlags = 0;
  w.cmd.flag = ReadU32(s.diff.fd);
  w.cmd.stamp = ReadU32(s.diff.fd);
  if (FileErrorFlags != 0) return s.Fail(ImportStep::kReadDiff, w.cmd.name);
  w.cmd.offset = block.FileBytesStart();
  w.cmd.length = block.FileBytes();
  JournalName& made = s.journal.names[w.name];
  made.createdSize = w.cmd.length;
  made.createdStamp = w.cmd.stamp;
  made.createdFlag = w.cmd.flag;
  made.digestKnown = s.diff.seal.sealed && i < s.diff.seal.seal.blocks.size();
  made.createdDigest = made.digestKnown ? s.diff.seal.seal.blocks[i] : Sha256Digest{};
  return true;
}

// Every name the import will use, decided before its first change and written to the journal: the
// library table with its work names, the document commands, and for every name of a file entry what
// stands there and the backup it will be moved to.
bool PlanNames(ImportState& s) {
  std::set<std::string> fileTargets;
  for (const SBNdt& e : s.diff.directory) {
    if (!IsExcluded(e) && !IsDocumentLevel(e)) fileTargets.insert(SjisAsciiUpper(e.name));
  }
  // Names that differ in case only name one library, as they name one file.
  std::unordered_map<std::string, std::size_t> libraries, names;
  for (std::size_t i = 0; i < s.diff.directory.size(); ++i) {
    const SBNdt& e = s.diff.directory[i];
    const DiffBlock& block = s.diff.blocks[i];
    if (IsExcluded(e)) continue;
    const std::string upper = SjisAsciiUpper(e.name);
    if (IsDocumentLevel(e)) {
      const auto [it, added] = libraries.emplace(upper, s.table.size());
      if (added) {
        const std::string work = MakeWorkName(s.menuDir, "SBN1");
        if (work.empty()) return s.Fail(ImportStep::kWorkFile, e.name);
        s.table.push_back({e.name, work, e.title});
        // A library that a file entry replaces gets its read-only from that entry's file.
        const bool replaced = fileTargets.count(upper) != 0;
        s.libraryReplaced.push_back(replaced);
        if (!replaced && !s.AsSeen(e.name)) return s.Changed(e.name);
        const bool readOnly = !replaced && IsReadOnlyFile(s.Path(e.name));
        JournalLibrary l{e.name, work, readOnly, {}};
        if (!replaced && IdentifyFile(s.Path(e.name), &l.was) == -1) return s.Fail(ImportStep::kRebuild, e.name);
        s.journal.libraries.push_back(l);
      }
      SBCmd c;
      c.key = static_cast<std::int32_t>(it->second);
      c.op = e.op;
      c.name = s.table[it->second].name;
      c.member = e.member;
      if (e.op == kOpAddOrReplace) c.offset = block.DataStart();
      s.documents.push_back(c);
      continue;
    }
    const auto [it, added] = names.emplace(upper, s.journal.names.size());
    if (added) {
      if (!s.AsSeen(e.name)) return s.Changed(e.name);
      JournalName n;
      n.name = e.name;
      std::uint32_t attrs = 0;
      const int r = Host().GetAttributes(s.Path(e.name), &attrs);
      if (r == 0) {
        // Whatever has the name (a file, or a link that is never followed) is moved aside whole.
        std::vector<std::string> found;
        if (Host().FindNames(s.Path(e.name), &found) != 0 || found.size() != 1) return s.Fail(ImportStep::kBackup, e.name);
        n.occupant = found[0];
        n.readOnly = (attrs & kAttrReadOnly) != 0;
        if (IdentifyFile(s.Path(n.occupant), &n.was) != 0) return s.Fail(ImportStep::kBackup, e.name);
        n.backup = MakeWorkName(s.menuDir, "SBN0");
        if (n.backup.empty()) return s.Fail(ImportStep::kBackup, e.name);
      } else if (r != kPlatformNotFound) {
        return s.Fail(ImportStep::kBackup, e.name);
      }
      s.journal.names.push_back(n);
    }
    if (e.op == kOpAddOrReplace) s.journal.names[it->second].created = true;
    s.files.emplace_back();
    FileWork& w = s.files.back();
    w.name = it->second;
    w.first = added;
    w.cmd.name = e.name;
    w.cmd.op = e.op == kOpAddOrReplace ? 0 : 1;
    if (w.cmd.op == 0 && !PlanCreatedFile(s, i, w)) return false;
  }
  return true;
}

// Staging: the libraries' work files made empty, and the files to be replaced
// or deleted moved to their backups.
bool StageEntries(ImportState& s) {
  s.backups.assign(s.journal.names.size(), FileId{});
  for (const SFdt& t : s.table) {
    if (FileMakeEmpty(s.Path(t.tempName)) != 0) return s.Fail(ImportStep::kWorkFile, t.name);
  }
  for (FileWork& w : s.files) {
    const JournalName& n = s.journal.names[w.name];
    if (!w.first || n.backup.empty()) continue;
    const std::string path = s.Path(n.occupant);
    // The last look before the move: an edit from here on reaches the backup, and the check before
    // the commit finds it there.
    if (!s.AsSeen(n.name)) return s.Changed(n.name);
    if (n.readOnly && Host().SetAttributes(path, 0) != 0) return s.Fail(ImportStep::kBackup, w.cmd.name);
    if (Host().Rename(path, s.Path(n.backup)) != 0) return s.Fail(ImportStep::kBackup, w.cmd.name);
    w.cmd.backupName = n.backup;
    s.holds.erase(SjisAsciiUpper(n.name));
    FileId moved;
    if (Host().IdentifyName(s.Path(n.backup), &moved) != 0) return s.Fail(ImportStep::kBackup, w.cmd.name);
    if (!SameBytes(s.seen[SjisAsciiUpper(n.name)].id, moved)) return s.Changed(n.name);
    s.backups[w.name] = moved;
  }
  return true;
}

// Each added document's word, second name and data position, from its block.
bool ReadDocumentHeaders(ImportState& s) {
  for (SBCmd& c : s.documents) {
    if (c.op != kOpAddOrReplace) continue;
    DocumentBlockHead head;
    if (!ReadDocumentBlockHead(s.diff.fd, c.offset, &head)) return s.Fail(ImportStep::kReadDiff, c.name);
    c.word = head.word;
    c.secondName = head.secondName;
    c.length = head.length;
    c.offset = head.data;
  }
  return true;
}

// The new files with exactly the diff's bytes, their stamps and attributes, flushed to disk
// (or, with flushAllFd, on their way there). Of several entries that add one name, the last one's
// file is the one that would stay, so only it is made. Every file is first made empty and the journal
// rewritten with what identifies each, before a byte is written: a recovery then removes only the
// very files the import made (or, before that rewrite, empty ones), never a file put there otherwise.
bool CreateFiles(ImportState& s) {
  std::vector<std::size_t> last(s.journal.names.size(), s.files.size());
  for (std::size_t i = 0; i < s.files.size(); ++i) {
    if (s.files[i].cmd.op == 0) last[s.files[i].name] = i;
  }
  std::vector<std::size_t> made;
  for (std::size_t i = 0; i < s.files.size(); ++i) {
    FileWork& w = s.files[i];
    if (w.cmd.op != 0 || last[w.name] != i) continue;
    // Anything under the name stays, and the exclusive create fails on it.
    const int fd = FileCreateNew(s.Path(w.cmd.name));
    if (fd < 0) return s.Fail(ImportStep::kCreate, w.cmd.name);
    w.created = true;
    FileId id;
    const bool known = Host().IdentifyFd(fd, &id) == 0;
    if (FileCloseWritten(fd) != 0 || !known) return s.Fail(ImportStep::kCreate, w.cmd.name);
    JournalName& n = s.journal.names[w.name];
    n.madeKnown = true;
    n.madeVolume = id.volume;
    n.madeIndex = id.index;
    made.push_back(i);
  }
  if (made.empty()) return true;
  if (RewriteJournal(s.menuDir, s.journal, &s.journalFd) != 0) return s.Fail(ImportStep::kJournal, "");
  for (const std::size_t i : made) {
    FileWork& w = s.files[i];
    const JournalName& n = s.journal.names[w.name];
    const std::string path = s.Path(w.cmd.name);
    // The file made above, and no other that took its name meanwhile.
    const int fd = FileCreate(path);
    FileId id;
    if (fd < 0) return s.Fail(ImportStep::kCreate, w.cmd.name);
    if (Host().IdentifyFd(fd, &id) != 0 || id.volume != n.madeVolume || id.index != n.madeIndex || id.size != 0) {
      FileClose(fd);
      return s.Fail(ImportStep::kCreate, w.cmd.name);
    }
    const char zero = 0;
    bool ok = w.cmd.length == 0 ||
              (FileSeek(fd, static_cast<std::int64_t>(w.cmd.length) - 1) >= 0 && FileWrite(fd, &zero, 1) == 1 &&
               FileSeek(fd, 0) == 0 && FileSeek(s.diff.fd, w.cmd.offset) >= 0 &&
               FileCopyBytes(s.diff.fd, fd, w.cmd.length) == 0);
    // A stamp whose fields name no date leaves the time of the write.
    if (ok && TimeFromDosStamp(w.cmd.stamp) != static_cast<std::time_t>(-1)) {
      ok = Host().SetStampFd(fd, w.cmd.stamp) == 0;
    }
    if (s.flushAllFd >= 0) {
      // The copy started the write-back of a large file's whole windows; handing the whole file starts
      // its tail too. Small files are left to the one flush, which writes them together.
      if (w.cmd.length >= kWriteBackStep) Host().StartWriteBack(fd, 0, w.cmd.length);
    } else {
      ok = ok && FileFlush(fd) == 0;
    }
    if (FileCloseWritten(fd) != 0 || FileErrorFlags != 0) ok = false;
    if (!ok || ((w.cmd.flag & 1) && Host().SetAttributes(path, kAttrReadOnly) != 0)) {
      return s.Fail(ImportStep::kCreate, w.cmd.name);
    }
  }
  return true;
}

// The documents of library k as the import leaves them: kept (with their stored word), replaced in
// place, dropped, then the additions in command order.
void ApplyDocumentCommands(const ImportState& s, int k, SSDocInfoAry& docs) {
  std::unordered_map<std::string, const SBCmd*> first;
  for (const SBCmd& c : s.documents) {
    if (c.key == k) first.emplace(c.member, &c);
  }
  std::set<std::string> names;
  for (SSDocInfo& d : docs) {
    names.insert(d.name);
    d.word = d.storedWord;
    const auto it = first.find(d.name);
    if (it == first.end()) {
      d.source = 0;
    } else if (it->second->op == kOpAddOrReplace) {
      const SBCmd& c = *it->second;
      d.source = 1;
      d.word = c.word;
      d.secondName = c.secondName;
      d.offset = c.offset;
      d.length = c.length;
    } else {
      d.source = -1;
    }
  }
  for (const SBCmd& c : s.documents) {
    if (c.key != k || c.op != kOpAddOrReplace || !names.insert(c.member).second) continue;
    SSDocInfo d;
    d.source = 1;
    d.word = c.word;
    d.offset = c.offset;
    d.length = c.length;
    d.name = c.member;
    d.secondName = c.secondName;
    docs.push_back(d);
  }
}

// Every library rebuilt into its work file, which takes over the read-only attribute. A work
// file with nothing to become (no library existed and none is made) goes at once.
bool RebuildLibraries(ImportState& s) {
  s.libraries.assign(s.table.size(), SeenFile{});
  for (std::size_t k = 0; k < s.table.size(); ++k) {
    const SFdt& t = s.table[k];
    const std::string path = s.Path(t.name);
    const bool replaced = s.libraryReplaced[k];
    // The library as the import saw it, and again once the import itself has cleared its read-only
    // (which changes its attributes and change time): from there to the commit nobody but the import
    // may change the least thing of it.
    SeenFile before;
    bool readOnly = false;
    if (!replaced) {
      if (!s.AsSeen(t.name)) return s.Changed(t.name);
      before = s.seen[SjisAsciiUpper(t.name)];
      readOnly = before.present && (before.id.attrs & kAttrReadOnly) != 0;
      if (readOnly) {
        if (Host().SetAttributes(path, 0) != 0) return s.Fail(ImportStep::kRebuild, t.name);
        SeenFile cleared;
        if (SeeFile(path, &cleared) != 0) return s.Fail(ImportStep::kRebuild, t.name);
        if (!cleared.present || !SameBytes(before.id, cleared.id)) return s.Changed(t.name);
        before = cleared;
      }
    }
    SSDocInfoAry docs;
    int old = -1;
    const LibraryState state = OpenLibraryForChange(path, &docs, &old);
    if (state == LibraryState::kUnreadable) return s.Fail(ImportStep::kRebuild, t.name);
    const bool existed = state != LibraryState::kAbsent;
    // A library that a file entry of this diff made takes its read-only from that entry's file.
    std::uint32_t attrs = 0;
    if (existed && replaced && Host().GetAttributes(path, &attrs) != 0) {
      if (old >= 0) FileClose(old);
      return s.Fail(ImportStep::kRebuild, t.name);
    }
    if (replaced) readOnly = (attrs & kAttrReadOnly) != 0;
    ApplyDocumentCommands(s, static_cast<int>(k), docs);
    bool writes = false;
    for (const SSDocInfo& d : docs) writes = writes || d.source >= 0;
    const int rebuilt = RebuildLibrary(s.Path(t.tempName), old, s.diff.fd, t.title, docs);
    if (old >= 0) FileClose(old);
    if (rebuilt != 0) return s.Fail(ImportStep::kRebuild, t.name);
    if (!existed && !writes) {
      if (!Retry([&] { return RemoveFile(s.Path(t.tempName)); })) return s.Fail(ImportStep::kRebuild, t.name);
    } else if (existed && readOnly) {
      if (Host().SetAttributes(s.Path(t.tempName), kAttrReadOnly) != 0) return s.Fail(ImportStep::kRebuild, t.name);
      if (replaced && Host().SetAttributes(path, 0) != 0) return s.Fail(ImportStep::kRebuild, t.name);
    }
    // The library the rebuild read must still be exactly the one the import saw: from here the check
    // before the commit holds it to this identity.
    SeenFile read;
    if (SeeFile(path, &read) != 0) return s.Fail(ImportStep::kRebuild, t.name);
    if (!replaced && (read.present != before.present || (read.present && read.id != before.id))) {
      return s.Changed(t.name);
    }
    s.libraries[k] = read;
  }
  return true;
}

// Rolls back as the journal says, then removes the journal. A rollback that cannot finish keeps the
// journal, so that the next import or recovery finishes it. One that did all it could, but found
// under a name a file that is not the import's, or a backup gone, removes the journal too (it could
// never do more) and names those names with what it left.
int Abort(ImportState& s) {
  StringAry lost;
  const RollbackOutcome undone = RollBackImport(s.menuDir, s.journal, &s.report.leftBehind, &lost);
  if (undone == RollbackOutcome::kUnfinished) return kImportIncomplete;
  if (RemoveJournal(s.menuDir, s.journalFd) != 0) s.LeftBehind(kJournalName);
  for (const std::string& name : lost) s.LeftBehind(name);
  return -1;
}

// True when every file moved aside is still as its move left it, every library as its rebuild read it,
// and the diff the file the import opened; else the report says which changed.
bool NothingChanged(ImportState& s) {
  for (const FileWork& w : s.files) {
    const JournalName& n = s.journal.names[w.name];
    if (!w.first || w.cmd.backupName.empty()) continue;
    FileId now;
    if (Host().IdentifyName(s.Path(n.backup), &now) != 0 || now != s.backups[w.name]) return s.Changed(n.name);
  }
  for (std::size_t k = 0; k < s.table.size(); ++k) {
    if (!StillAsSeen(s.Path(s.table[k].name), s.libraries[k])) return s.Changed(s.table[k].name);
  }
  FileId open, named;
  if (Host().IdentifyFd(s.diff.fd, &open) != 0 || open != s.diffId || Host().IdentifyName(s.diffPath, &named) != 0 ||
      named != s.diffId) {
    s.report.check = {DiffFault::kDiffChanged, -1};
    return s.Fail(ImportStep::kReadDiff, "");
  }
  return true;
}

// Marks the journal committing, puts the libraries in place, makes the names durable, then drops the
// backups and the journal. Until the first library is replaced, a failure still rolls back.
int Commit(ImportState& s) {
  if (!NothingChanged(s)) return Abort(s);
  if (MarkJournal(s.journalFd, JournalState::kCommitting) != 0) {
    MarkJournal(s.journalFd, JournalState::kStaging);
    s.Fail(ImportStep::kJournal, "");
    return Abort(s);
  }
  // The libraries are let go so that they can be replaced; then the last look, right before the first
  // replacement. What is left is the time from here to each library's rename.
  s.holds.clear();
  if (!NothingChanged(s)) {
    if (MarkJournal(s.journalFd, JournalState::kStaging) != 0) return kImportIncomplete;
    return Abort(s);
  }
  const std::size_t left = s.report.leftBehind.size();
  StringAry lost;
  switch (CompleteImport(s.menuDir, s.journal, &s.report.leftBehind, &lost)) {
    case CommitOutcome::kDone:
      if (RemoveJournal(s.menuDir, s.journalFd) != 0) s.LeftBehind(kJournalName);
      return 0;
    case CommitOutcome::kLost:
      // A work file went while the import ran: that library keeps its old state, for good.
      if (RemoveJournal(s.menuDir, s.journalFd) != 0) s.LeftBehind(kJournalName);
      for (const std::string& name : lost) s.LeftBehind(name);
      s.Fail(ImportStep::kCommit, lost.front());
      s.report.finishedInPart = true;
      return kImportIncomplete;
    case CommitOutcome::kLeftovers:
      return 0;  // the journal stays, and the next import or recovery removes what is left
    case CommitOutcome::kNothingPlaced:
      s.Fail(ImportStep::kCommit, s.table.empty() ? "" : s.table.front().name);
      // Only a journal known to say "staging" again may be rolled back by a later recovery.
      if (MarkJournal(s.journalFd, JournalState::kStaging) != 0) return kImportIncomplete;
      s.report.leftBehind.resize(left);
      return Abort(s);
    case CommitOutcome::kPartly:
      break;
  }
  s.Fail(ImportStep::kCommit, "");
  return kImportIncomplete;
}

// Plans the undo before the first change; false with the report filled.
bool PlanUndoFile(ImportState& s, const std::string& undoPath, UndoPlan* undo) {
  std::string name = undoPath;
  s.report.undo = CheckUndoPath(undoPath, s.menuDir, s.diffPath);
  if (s.report.undo == UndoFault::kNone &&
      PlanUndo(s.menuDir, s.diff.directory, UndoDescription(s.diff.description, std::time(nullptr)), undo,
               &s.report.undo, &name) == 0) {
    return true;
  }
  return s.Fail(ImportStep::kUndo, name);
}

// Everything before the first change, under the directory's lock: an interrupted import finished, the
// diff opened and checked, and the very file the caller read; what stands under the diff's names
// seen; the bases. 1 to go on; 0 when nothing is left to import; -1 refused, the report says why.
int CheckBeforeChange(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list,
                      const ImportOptions& options, ImportState& s) {
  if (list.empty()) {
    s.report.check = {ImportRefusal::kEmptyList, -1};
    return -1;
  }
  if (const int d = CheckDirectory(menuDir); d != 0) {
    s.report.check = {d == kPlatformNotFound ? ImportRefusal::kMenuDirMissing : ImportRefusal::kMenuDirNotDirectory, -1};
    return -1;
  }
  DirLock& lock = s.lock;
  if (const ImportRefusal f = lock.Take(menuDir); f != ImportRefusal::kNone) {
    s.report.check = {f, -1};
    return -1;
  }
  ImportRefusal why = ImportRefusal::kNone;
  if (RecoverImport(menuDir, &s.report.recovered, &why, &s.report.leftBehind) != 0) {
    s.report.check = {why, -1};
    return -1;
  }
  if (PrepareImport(diffPath, menuDir, list, &s.diff, &s.report.check) != 0) {
    // A diff replaced under its path since the caller read its list fails as some other fault.
    if (options.diffSeen != nullptr && !StillAsSeen(diffPath, *options.diffSeen)) {
      s.report.check = {DiffFault::kDiffChanged, -1};
    }
    return -1;
  }
  FileId named;
  if (Host().IdentifyFd(s.diff.fd, &s.diffId) != 0 || Host().IdentifyName(diffPath, &named) != 0 || named != s.diffId ||
      (options.diffSeen != nullptr && options.diffSeen->id != s.diffId)) {
    s.report.check = {DiffFault::kDiffChanged, -1};
    return -1;
  }
  if (!SeeTargets(s)) return -1;
  if (CheckImportBases(menuDir, options, &s.diff, &s.report.bases, &s.report.check) != 0 || !AnyToImport(s.diff.directory)) {
    return s.report.check.ok() ? 0 : -1;
  }
  return 1;
}

// Stages every entry, flushes, and finishes the digests of the blocks used; the report names a failure.
void StageAndVerify(ImportState& s, std::unique_ptr<SealVerifier> verifier) {
  const bool staged = StageEntries(s) && ReadDocumentHeaders(s) && CreateFiles(s) && RebuildLibraries(s);
  // Rebuilt libraries are flushed already, and so are the created files unless they wait for the flush
  // of the whole file system; the names are not yet. The flush runs while the last digests are taken.
  const bool created = std::any_of(s.files.begin(), s.files.end(), [](const FileWork& w) { return w.created; });
  const bool flushAll = s.flushAllFd >= 0 && created;
  if (staged && ((flushAll && Host().FlushFileSystem(s.flushAllFd) != 0) || Host().FlushDir(s.menuDir) != 0)) {
    s.Fail(ImportStep::kFlushDir, "");
  }
  // Nothing of the diff is committed before every block it used is known to be the seal's.
  if (staged && s.report.step == ImportStep::kNone && verifier != nullptr) {
    if (const DiffCheck v = verifier->Finish(); !v.ok() && NothingChanged(s)) {
      s.report.check = v;
      const std::size_t i = static_cast<std::size_t>(v.entry);
      s.Fail(ImportStep::kReadDiff, v.entry >= 0 ? s.diff.directory[i].name : "");
    }
  }
}

int Import(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list, const std::string& undoPath,
           const ImportOptions& options, ImportState& s) {
  s.menuDir = menuDir;
  s.diffPath = diffPath;
  if (const int go = CheckBeforeChange(diffPath, menuDir, list, options, s); go <= 0) return go;
  DirLock& lock = s.lock;
  std::uint32_t attrs = 0;
  s.journal.testFileOurs = Host().GetAttributes(s.Path(kWritabilityTestName), &attrs) == kPlatformNotFound;
  UndoPlan undo;
  if (!PlanNames(s) || (!undoPath.empty() && !PlanUndoFile(s, undoPath, &undo))) return -1;
  // The journal is the first file the import makes: a directory that cannot take it is not writable.
  if (WriteJournal(menuDir, s.journal, &s.journalFd) != 0) {
    s.report.check = {ImportRefusal::kNotWritable, -1};
    return -1;
  }
  if (const ImportRefusal f = TestWritable(menuDir, &s.report.leftBehind); f != ImportRefusal::kNone) {
    s.report.check = {f, -1};
    s.report.leftBehind.clear();  // the rollback removes the test file, or names it again
    return Abort(s);
  }
  if (lock.fd() >= 0 && Host().FlushesFileSystem(lock.fd())) s.flushAllFd = lock.fd();
  // The blocks the import uses are digested while it stages them.
  std::unique_ptr<SealVerifier> verifier;
  if (s.diff.seal.sealed) {
    verifier = std::make_unique<SealVerifier>(diffPath, s.diff.blocks, s.diff.seal, ChosenEntries(s.diff.directory));
  }
  StageAndVerify(s, std::move(verifier));
  // The undo is read from the staged state and on disk before the journal says "committing".
  if (s.report.step == ImportStep::kNone && !undo.items.empty()) {
    std::string name;
    if (WriteUndoFile(undoPath, menuDir, undo, s.journal, &s.report.undo, &name) != 0) {
      s.Fail(ImportStep::kUndo, name);
    }
    s.report.undoWritten = s.report.step == ImportStep::kNone;
  }
  if (s.report.step != ImportStep::kNone) return Abort(s);
  const int result = Commit(s);
  // Rolled back, the import leaves nothing to undo.
  if (result == -1 && s.report.undoWritten) {
    s.report.undoWritten = false;
    if (!RemoveUndoFile(undoPath)) s.LeftBehind(undoPath);
  }
  return result;
}

}  // namespace

int ImportDiff(void* /*window*/, const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list,
               ImportReport* report, const std::string& undoPath, const ImportOptions& options) {
  ImportState s;
  const int result = Import(diffPath, menuDir, list, undoPath, options, s);
  if (!s.lock.Release()) s.LeftBehind(kLockName);
  if (report != nullptr) *report = s.report;
  return result;
}

}  // namespace quarvel
