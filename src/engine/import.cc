#include "engine/import.h"

#include <set>
#include <unordered_map>

#include "fileio/fileio.h"
#include "engine/import_plan.h"
#include "menufiles/libindex.h"
#include "menufiles/rebuild.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

constexpr int kRetries = 3;

// Runs `step` until it succeeds, at most kRetries times. For the steps of the commit and the rollback,
// which must not stop halfway on a passing failure.
template <typename Step>
bool Retry(Step step) {
  for (int i = 0; i < kRetries; ++i) {
    if (step()) return true;
  }
  return false;
}

bool RemoveFile(const std::string& path) { return RemoveFileOrReadOnly(path); }

bool Exists(const std::string& path) {
  std::uint32_t attrs = 0;
  return Host().GetAttributes(path, &attrs) == 0;
}

// A file command with what staging did for it, so that a rollback can undo exactly that.
struct FileWork {
  SBCmd cmd;
  bool clearedReadOnly = false;  // the existing file's read-only attribute was cleared
  bool moved = false;            // the existing file lies under cmd.backupName
  bool created = false;          // a new file stands under cmd.name
  std::string occupant;          // the name the moved file had, as it stood on disk
};

// A library of the table with what staging did for it.
struct LibraryWork {
  bool clearedReadOnly = false;  // the existing library's read-only attribute was cleared
  bool createNothing = false;    // no library existed and none is to be made: drop the work file
};

struct ImportState {
  std::string menuDir;
  PreparedDiff diff;
  SFTbl table;
  std::vector<LibraryWork> libraries;  // one per table entry
  SBCmdAry documents;
  std::vector<FileWork> files;
  ImportReport report;

  std::string Path(const std::string& name) const { return menuDir + name; }
  // Records the step that failed; always false.
  bool Fail(ImportStep step, const std::string& name) {
    report.step = step;
    report.name = name;
    return false;
  }
  void LeftBehind(const std::string& name) { report.leftBehind.push_back(name); }
};

// Step 5: document commands, work files for their libraries, and file commands with the existing
// files moved to backups.
bool StageEntries(ImportState& s) {
  // Names that differ in case only name one library, as they name one file.
  std::unordered_map<std::string, std::string> library_names;
  for (std::size_t i = 0; i < s.diff.directory.size(); ++i) {
    const SBNdt& e = s.diff.directory[i];
    const DiffBlock& block = s.diff.blocks[i];
    if (IsExcluded(e)) continue;
    if (IsDocumentLevel(e)) {
      const std::string& library = library_names.emplace(SjisAsciiUpper(e.name), e.name).first->second;
      const int k = RegisterTempFile(s.table, s.menuDir, library, e.title);
      if (k < 0) return s.Fail(ImportStep::kWorkFile, library);
      if (static_cast<std::size_t>(k) == s.libraries.size()) s.libraries.emplace_back();
      SBCmd c;
      c.key = k;
      c.op = e.op;
      c.name = library;
      c.member = e.member;
      if (e.op == kOpAddOrReplace) c.offset = block.start + 4;
      s.documents.push_back(c);
      continue;
    }
    s.files.emplace_back();
    FileWork& w = s.files.back();
    w.cmd.name = e.name;
    w.cmd.op = e.op == kOpAddOrReplace ? 0 : 1;
    const std::string path = s.Path(e.name);
    std::uint32_t attrs = 0;
    const int r = Host().GetAttributes(path, &attrs);
    if (r == 0) {
      // Whatever has the name (a file, or a link that is never followed) is moved aside whole.
      if (attrs & kAttrReadOnly) {
        if (Host().SetAttributes(path, 0) != 0) return s.Fail(ImportStep::kBackup, e.name);
        w.clearedReadOnly = true;
      }
      std::vector<std::string> names;
      if (Host().FindNames(path, &names) != 0 || names.size() != 1) return s.Fail(ImportStep::kBackup, e.name);
      w.occupant = names[0];
      const std::string backup = MakeWorkName(s.menuDir, "SBN0");
      if (backup.empty() || Host().Rename(path, s.Path(backup)) != 0) return s.Fail(ImportStep::kBackup, e.name);
      w.cmd.backupName = backup;
      w.moved = true;
    } else if (r != kPlatformNotFound) {
      return s.Fail(ImportStep::kBackup, e.name);
    }
    if (w.cmd.op == 0) {
      if (FileSeek(s.diff.fd, block.start + 4) < 0) return s.Fail(ImportStep::kReadDiff, e.name);
      FileErrorFlags = 0;
      w.cmd.key = static_cast<std::int32_t>(ReadU32(s.diff.fd));
      w.cmd.stamp = ReadU32(s.diff.fd);
      if (FileErrorFlags != 0) return s.Fail(ImportStep::kReadDiff, e.name);
      w.cmd.offset = block.start + 12;
      w.cmd.length = block.length - 8;
    }
  }
  return true;
}

// Step 6: each added document's word, second name and data position, from its block.
bool ReadDocumentHeaders(ImportState& s) {
  FileErrorFlags = 0;
  for (SBCmd& c : s.documents) {
    if (c.op != kOpAddOrReplace) continue;
    if (FileSeek(s.diff.fd, c.offset) < 0) return s.Fail(ImportStep::kReadDiff, c.name);
    c.word = ReadU32(s.diff.fd);
    ReadLString(s.diff.fd, c.secondName);
    c.length = ReadU32(s.diff.fd);
    const std::int64_t data = FileTell(s.diff.fd);
    if (data < 0 || FileErrorFlags != 0) return s.Fail(ImportStep::kReadDiff, c.name);
    c.offset = static_cast<std::uint64_t>(data);
  }
  return true;
}

// Step 7: the new files with exactly the diff's bytes, their stamps and attributes, flushed to disk.
bool CreateFiles(ImportState& s) {
  for (FileWork& w : s.files) {
    if (w.cmd.op != 0) continue;
    const std::string path = s.Path(w.cmd.name);
    // A file that an earlier entry of this import made under this name gives way (the original has
    // been moved away). Anything else under the name stays, and the exclusive create fails on it.
    bool made_here = false;
    for (const FileWork& earlier : s.files) {
      if (&earlier == &w) break;
      made_here = made_here || (earlier.created && SjisAsciiUpper(earlier.cmd.name) == SjisAsciiUpper(w.cmd.name));
    }
    if (made_here && !RemoveFile(path)) return s.Fail(ImportStep::kCreate, w.cmd.name);
    const int fd = FileCreateNew(path);
    if (fd < 0) return s.Fail(ImportStep::kCreate, w.cmd.name);
    w.created = true;
    bool ok = w.cmd.length == 0 ||
              (FileSeek(s.diff.fd, w.cmd.offset) >= 0 && FileCopyBytes(s.diff.fd, fd, w.cmd.length) == 0);
    // A stamp whose fields name no date leaves the time of the write.
    if (ok && TimeFromDosStamp(w.cmd.stamp) != static_cast<std::time_t>(-1)) {
      ok = Host().SetStampFd(fd, w.cmd.stamp) == 0;
    }
    ok = ok && FileFlush(fd) == 0;
    if (FileCloseWritten(fd) != 0 || FileErrorFlags != 0) ok = false;
    if (!ok || ((w.cmd.key & 1) && Host().SetAttributes(path, kAttrReadOnly) != 0)) {
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

// Step 8: every library rebuilt into its work file, which takes over the read-only attribute.
bool RebuildLibraries(ImportState& s) {
  for (std::size_t k = 0; k < s.table.size(); ++k) {
    const SFdt& t = s.table[k];
    const std::string path = s.Path(t.name);
    SSDocInfoAry docs;
    int old = -1;
    const LibraryState state = OpenLibraryForChange(path, &docs, &old);
    if (state == LibraryState::kUnreadable) return s.Fail(ImportStep::kRebuild, t.name);
    const bool existed = state != LibraryState::kAbsent;
    std::uint32_t attrs = 0;
    if (existed && Host().GetAttributes(path, &attrs) != 0) {
      if (old >= 0) FileClose(old);
      return s.Fail(ImportStep::kRebuild, t.name);
    }
    ApplyDocumentCommands(s, static_cast<int>(k), docs);
    bool writes = false;
    for (const SSDocInfo& d : docs) writes = writes || d.source >= 0;
    const int rebuilt = RebuildLibrary(s.Path(t.tempName), old, s.diff.fd, t.title, docs);
    if (old >= 0) FileClose(old);
    if (rebuilt != 0) return s.Fail(ImportStep::kRebuild, t.name);
    LibraryWork& lw = s.libraries[k];
    lw.createNothing = !existed && !writes;
    if (existed && (attrs & kAttrReadOnly)) {
      if (Host().SetAttributes(s.Path(t.tempName), kAttrReadOnly) != 0) return s.Fail(ImportStep::kRebuild, t.name);
      if (Host().SetAttributes(path, 0) != 0) return s.Fail(ImportStep::kRebuild, t.name);
      lw.clearedReadOnly = true;
    }
  }
  return true;
}

// Undoes what staging did, last first, so that two entries of one name give the original back.
// Every step that still fails after retries names its file in the report. True when all is undone.
bool Rollback(ImportState& s) {
  const std::size_t left = s.report.leftBehind.size();
  auto undo = [&](bool done, const std::string& name) {
    if (!done) s.LeftBehind(name);
  };
  for (std::size_t k = s.table.size(); k-- > 0;) {
    const std::string path = s.Path(s.table[k].name);
    if (s.libraries[k].clearedReadOnly) {
      undo(Retry([&] { return Host().SetAttributes(path, kAttrReadOnly) == 0; }), s.table[k].name);
    }
    undo(Retry([&] { return RemoveFile(s.Path(s.table[k].tempName)); }), s.table[k].tempName);
  }
  for (std::size_t i = s.files.size(); i-- > 0;) {
    const FileWork& w = s.files[i];
    const std::string path = s.Path(w.cmd.name);
    if (w.created) undo(Retry([&] { return RemoveFile(path); }), w.cmd.name);
    // Back under the name it had, not the diff's spelling of it.
    const std::string original = s.Path(w.occupant);
    if (w.moved) undo(Retry([&] { return Host().Rename(s.Path(w.cmd.backupName), original) == 0; }), w.cmd.backupName);
    if (w.clearedReadOnly) undo(Retry([&] { return Host().SetAttributes(path, kAttrReadOnly) == 0; }), w.cmd.name);
  }
  Host().FlushDir(s.menuDir);
  return s.report.leftBehind.size() == left;
}

// Puts the libraries in place, makes the names durable, then drops the backups. Replacing a library is
// the first step that cannot be undone: until one has been replaced, a failure still rolls back.
int Commit(ImportState& s) {
  bool replaced_any = false;
  bool complete = true;
  for (std::size_t k = 0; k < s.table.size() && complete; ++k) {
    const std::string work = s.Path(s.table[k].tempName);
    if (s.libraries[k].createNothing) {
      Retry([&] { return RemoveFile(work); });
    } else if (Retry([&] { return Host().ReplaceFile(work, s.Path(s.table[k].name)) == 0; })) {
      replaced_any = true;
    } else {
      s.Fail(ImportStep::kCommit, s.table[k].name);
      if (!replaced_any) return Rollback(s) ? -1 : kImportIncomplete;
      complete = false;
    }
  }
  Retry([&] { return Host().FlushDir(s.menuDir) == 0; });
  if (!complete) {
    // The libraries not yet in place keep their work files, and every backup is kept.
    for (std::size_t k = 0; k < s.table.size(); ++k) {
      if (!s.libraries[k].createNothing && Exists(s.Path(s.table[k].tempName))) s.LeftBehind(s.table[k].tempName);
    }
    for (const FileWork& w : s.files) {
      if (w.moved) s.LeftBehind(w.cmd.backupName);
    }
    return kImportIncomplete;
  }
  for (const FileWork& w : s.files) {
    if (w.moved && !Retry([&] { return RemoveFile(s.Path(w.cmd.backupName)); })) s.LeftBehind(w.cmd.backupName);
  }
  return 0;
}

int Import(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list, ImportState& s) {
  s.menuDir = menuDir;
  if (PrepareImport(diffPath, menuDir, list, &s.diff, &s.report.check) != 0) return -1;
  if (const DiffFault f = TestWritable(menuDir, &s.report.leftBehind); f != DiffFault::kNone) {
    FileClose(s.diff.fd);
    s.report.check = {f, -1};
    return -1;
  }
  const bool staged = StageEntries(s) && ReadDocumentHeaders(s) && CreateFiles(s) && RebuildLibraries(s);
  FileClose(s.diff.fd);
  // Created files and rebuilt libraries are flushed already; their names and the backups' are not yet.
  if (staged && Host().FlushDir(menuDir) != 0) s.Fail(ImportStep::kFlushDir, "");
  if (s.report.step != ImportStep::kNone) return Rollback(s) ? -1 : kImportIncomplete;
  return Commit(s);
}

}  // namespace

const char* ImportStepText(ImportStep step) {
  switch (step) {
    case ImportStep::kNone: return "nothing failed";
    case ImportStep::kBackup: return "could not move aside";
    case ImportStep::kWorkFile: return "could not make a work file for";
    case ImportStep::kReadDiff: return "could not read the diff's data for";
    case ImportStep::kCreate: return "could not create";
    case ImportStep::kRebuild: return "could not rebuild";
    case ImportStep::kFlushDir: return "could not flush the menu directory";
    case ImportStep::kCommit: return "could not put in place";
  }
  return "unknown step";
}

int ImportDiff(void* /*window*/, const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list,
               ImportReport* report) {
  ImportState s;
  const int result = Import(diffPath, menuDir, list, s);
  if (report != nullptr) *report = s.report;
  return result;
}

}  // namespace quarvel
