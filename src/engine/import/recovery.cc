#include "engine/import/recovery.h"

#include <set>

#include "engine/import/dir_lock.h"
#include "engine/import/import_plan.h"
#include "engine/import/retry.h"
#include "fileio/coding.h"
#include "fileio/fileio.h"
#include "fileio/range_digests.h"
#include "fileio/work_names.h"
#include "platform/text.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

// 1 when something has the name, 0 when nothing has, -1 when that cannot be told.
int Present(const std::string& path) {
  std::uint32_t attrs = 0;
  const int r = Host().GetAttributes(path, &attrs);
  if (r == kPlatformNotFound) return 0;
  return r == 0 ? 1 : -1;
}

bool Gone(const std::string& path) {
  return Retry([&] { return Present(path) == 0 || RemoveFileOrReadOnly(path); });
}

// Gone, with the name added to `removed` when there was something to remove.
bool GoneNoted(const std::string& path, const std::string& name, StringAry* removed) {
  const bool there = Present(path) != 0;
  const bool gone = Gone(path);
  if (there && gone) removed->push_back(name);
  return gone;
}

bool MadeReadOnly(const std::string& path) {
  return Retry([&] {
    const int present = Present(path);
    return present == 0 || (present == 1 && Host().SetAttributes(path, kAttrReadOnly) == 0);
  });
}

// With no journal no import is under way here (the caller holds the lock): an empty test file is
// what an import's checks left when the process died between making it and removing it, before any
// journal could claim it. A file with bytes, a link or a directory under that name stays.
void RemoveStrayTestFile(const std::string& menuDir) {
  std::vector<FoundFile> found;
  if (Host().FindFiles(menuDir + kWritabilityTestName, &found) != 0) return;
  for (const FoundFile& f : found) {
    if (f.size == 0) RemoveFileOrReadOnly(menuDir + f.name);
  }
}

bool TestFileGone(const std::string& menuDir, const ImportJournal& journal) {
  return !journal.testFileOurs || Gone(menuDir + kWritabilityTestName);
}

// What has the name, asked again on a passing failure: 0 with `id` set, kPlatformNotFound, or -1.
int Identify(const std::string& path, FileIdentity* id) {
  int r = -1;
  Retry([&] { return (r = IdentifyFile(path, id)) != -1; });
  return r;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.size == b.size && a.stamp == b.stamp;
}

// True when `now`, found at `path` under n's name, is a file that the import made there: the very
// file the journal says it made, or, before the journal could say, an empty one (the import makes its
// files empty and records them before it writes a byte). A file with other bytes or another identity
// (a copy of the directory put back, a file made since) is not the import's. A journal of an older
// release goes by sizes (an empty file, or one of exactly the size the import gives it), or, with
// names only, takes whatever has a name for the import's, as those releases did.
bool MadeByImport(const ImportJournal& journal, const JournalName& n, const FileIdentity& now, const std::string& path) {
  if (!journal.contentsKnown) return true;
  if (!n.created || !now.known) return false;
  if (!journal.madeFilesKnown) return now.size == 0 || now.size == n.createdSize;
  if (!n.madeKnown) return now.size == 0;
  // Its identity, and the size the import gives it: a file number can be given again to a file made
  // after the import's was removed, and a file of the import's that someone wrote to is theirs too.
  FileId id;
  return (now.size == 0 || now.size == n.createdSize) && Host().IdentifyName(path, &id) == 0 &&
         id.volume == n.madeVolume && id.index == n.madeIndex;
}

// True when the file the import made under n's name stands there complete: the file the journal says
// it made, of the size it gave it, and, where the journal has the diff's digest of it, of those bytes.
bool NewFileInPlace(const std::string& menuDir, const ImportJournal& journal, const JournalName& n) {
  if (!journal.contentsKnown) return true;
  const std::string path = menuDir + n.name;
  FileIdentity now;
  if (Identify(path, &now) != 0 || !now.known || now.size != n.createdSize) return false;
  if (!journal.madeFilesKnown) return true;
  if (!MadeByImport(journal, n, now, path)) return false;
  if (!n.digestKnown) return true;
  // The seal's digest covers the block: its length field, flag word and stamp, then the bytes.
  std::string prefix;
  AppendU32(prefix, static_cast<std::uint32_t>(n.createdSize + 8));
  AppendU32(prefix, n.createdFlag);
  AppendU32(prefix, n.createdStamp);
  const int fd = FileOpenRead(path);
  if (fd < 0) return false;
  Sha256Digest digest{};
  const bool read = DigestRange(fd, 0, n.createdSize, &digest, prefix);
  FileClose(fd);
  return read && digest == n.createdDigest;
}

// True when the occupant of n's name, found there with `now`, was never moved aside.
bool StillTheOccupant(const ImportJournal& journal, const JournalName& n, const FileIdentity& now) {
  if (!journal.contentsKnown) return true;
  return n.was.known ? SameFile(now, n.was) : !now.known;  // a link stays a link
}

}  // namespace

RollbackOutcome RollBackImport(const std::string& menuDir, const ImportJournal& journal, StringAry* left,
                               StringAry* lost, RecoveryLog* log) {
  RecoveryLog unused;
  if (log == nullptr) log = &unused;
  bool failed = false, inPart = false;
  auto step = [&](bool done, const std::string& name) {
    if (!done) left->push_back(name);
    failed = failed || !done;
  };
  for (std::size_t k = journal.libraries.size(); k-- > 0;) {
    const JournalLibrary& l = journal.libraries[k];
    step(GoneNoted(menuDir + l.work, l.work, &log->removed), l.work);
    if (l.readOnly) step(MadeReadOnly(menuDir + l.name), l.name);
  }
  for (std::size_t i = journal.names.size(); i-- > 0;) {
    const JournalName& n = journal.names[i];
    const std::string path = menuDir + n.name;
    FileIdentity now;
    const int held = Identify(path, &now);
    if (held == -1) {
      step(false, n.name);
      continue;
    }
    const bool ours = held == 0 && MadeByImport(journal, n, now, path);
    bool restored = true;  // the name holds its old file again, or nothing when it had none
    if (!n.backup.empty()) {
      const std::string backup = menuDir + n.backup;
      const int moved = Present(backup);
      if (moved == 1 && held == 0 && !ours) {
        // Somebody else's file has the name: both it and the old one stay where they are.
        left->push_back(n.name);
        left->push_back(n.backup);
        lost->push_back(n.name);
        log->kept.push_back(n.name);
        log->kept.push_back(n.backup);
        restored = false;
      } else if (moved == 1) {
        const bool back = GoneNoted(path, n.name, &log->removed) &&
                          Retry([&] { return Host().Rename(backup, menuDir + n.occupant) == 0; });
        if (back) log->restored.push_back(n.occupant);
        step(back, n.backup);
      } else if (moved < 0) {
        step(false, n.backup);
      } else if (held != 0 || !StillTheOccupant(journal, n, now)) {
        // No backup, and the name does not hold the file that was moved to it: that file is gone.
        lost->push_back(n.name);
        restored = false;
      }
    } else if (n.created && held == 0) {
      if (ours) {
        step(GoneNoted(path, n.name, &log->removed), n.name);
      } else {
        left->push_back(n.name);
        log->kept.push_back(n.name);
        restored = false;
      }
    }
    inPart = inPart || !restored;
    if (n.readOnly && restored) step(MadeReadOnly(menuDir + n.occupant), n.occupant);
  }
  // An empty test file is no part of the menu directory's state: one that stays is only named.
  if (!TestFileGone(menuDir, journal)) left->push_back(kWritabilityTestName);
  const bool flushed = Retry([&] { return Host().FlushDir(menuDir) == 0; });
  if (failed || !flushed) return RollbackOutcome::kUnfinished;
  return inPart ? RollbackOutcome::kInPart : RollbackOutcome::kDone;
}

namespace {

// The commit's last step, once the libraries are in place and their names durable: each backup goes
// where its name holds the new file (in a recovery, one proven to be the import's), then the test file.
CommitOutcome DropBackups(const std::string& menuDir, const ImportJournal& journal, StringAry* left, StringAry* lost,
                          bool recovering, RecoveryLog* log, std::size_t lostBefore) {
  const std::size_t before = left->size();
  bool newLost = false;
  // A file that a library's rebuild then changed is that library's work file now.
  std::set<std::string> rebuilt;
  for (const JournalLibrary& l : journal.libraries) rebuilt.insert(SjisAsciiUpper(l.name));
  for (const JournalName& n : journal.names) {
    // An old file goes only once the name holds its new one: a backup is all that is left of it.
    // (The import's own commit made them a moment ago, and checked what it wrote.)
    if (recovering && n.created && rebuilt.count(SjisAsciiUpper(n.name)) == 0 &&
        !NewFileInPlace(menuDir, journal, n)) {
      lost->push_back(n.name);
      if (!n.backup.empty() && Present(menuDir + n.backup) != 0) {
        log->kept.push_back(n.backup);
        left->push_back(n.backup);
      }
      newLost = true;
      continue;
    }
    if (!n.backup.empty() && !GoneNoted(menuDir + n.backup, n.backup, &log->removed)) left->push_back(n.backup);
  }
  if (newLost) {
    if (!TestFileGone(menuDir, journal)) left->push_back(kWritabilityTestName);
    return CommitOutcome::kLost;
  }
  if (!TestFileGone(menuDir, journal)) left->push_back(kWritabilityTestName);
  if (left->size() != before) return CommitOutcome::kLeftovers;
  return lost->size() == lostBefore ? CommitOutcome::kDone : CommitOutcome::kLost;
}

}  // namespace

CommitOutcome CompleteImport(const std::string& menuDir, const ImportJournal& journal, StringAry* left,
                             StringAry* lost, bool recovering, RecoveryLog* log) {
  RecoveryLog unused;
  if (log == nullptr) log = &unused;
  bool placed = false;
  const std::size_t lostBefore = lost->size();
  for (std::size_t k = 0; k < journal.libraries.size(); ++k) {
    const JournalLibrary& l = journal.libraries[k];
    const std::string work = menuDir + l.work;
    // A work file that is gone was put in place already, or had nothing to become; unless the library
    // is still the one the import found, which it would not be after the replacement.
    bool vanished = false, replaced = false, edited = false;
    const bool done = Retry([&] {
      const int present = Present(work);
      if (l.was.known && (present == 0 || recovering)) {
        FileIdentity now;
        const int r = IdentifyFile(menuDir + l.name, &now);
        if (r == -1) return false;
        // A work file gone while the library is still the one the import found was never put in
        // place; a library that is neither that one nor (once replaced) gone was changed by someone
        // since: their edit stays, and the work file with it.
        vanished = present == 0 && (r == kPlatformNotFound || (r == 0 && SameFile(now, l.was)));
        edited = present == 1 && (r != 0 || !SameFile(now, l.was));
      }
      replaced = present == 1 && !edited && Host().ReplaceFile(work, menuDir + l.name) == 0;
      return present == 0 || replaced || edited;
    });
    if (replaced) log->placed.push_back(l.name);
    if (edited) {
      lost->push_back(l.name);
      left->push_back(l.work);
      log->kept.push_back(l.name);
      continue;
    }
    if (!done) {
      for (std::size_t j = k; j < journal.libraries.size(); ++j) {
        if (Present(menuDir + journal.libraries[j].work) != 0) left->push_back(journal.libraries[j].work);
      }
      for (const JournalName& n : journal.names) {
        if (!n.backup.empty() && Present(menuDir + n.backup) != 0) left->push_back(n.backup);
      }
      return placed ? CommitOutcome::kPartly : CommitOutcome::kNothingPlaced;
    }
    if (vanished) {
      lost->push_back(l.name);
    } else {
      placed = true;
    }
  }
  // The libraries' new names must be durable before the old files go for good.
  if (!Retry([&] { return Host().FlushDir(menuDir) == 0; })) {
    left->push_back(kJournalName);
    return CommitOutcome::kLeftovers;
  }
  return DropBackups(menuDir, journal, left, lost, recovering, log, lostBefore);
}

int RecoverImport(const std::string& menuDir, Recovery* done, ImportRefusal* why, StringAry* left, StringAry* lost,
                  RecoveryLog* log) {
  *done = Recovery::kNone;
  *why = ImportRefusal::kNone;
  StringAry* const notRestored = lost != nullptr ? lost : left;
  ImportJournal journal;
  const int r = ReadJournal(menuDir, &journal);
  // A work journal alone was being written when its import died, before that import changed anything.
  const bool workGone = Gone(menuDir + kJournalWorkName);
  if (r == kPlatformNotFound) {
    RemoveStrayTestFile(menuDir);
    if (workGone) return 0;
    left->push_back(kJournalWorkName);
    *why = ImportRefusal::kRecoveryFailed;
    return -1;
  }
  if (r != 0) {
    *why = ImportRefusal::kJournalUntrusted;
    return -1;
  }
  bool finished = true, inPart = false;
  Recovery did = Recovery::kNone;
  if (journal.state == JournalState::kStaging) {
    const RollbackOutcome o = RollBackImport(menuDir, journal, left, notRestored, log);
    finished = o != RollbackOutcome::kUnfinished;
    inPart = o == RollbackOutcome::kInPart;
    did = inPart ? Recovery::kRolledBackInPart : Recovery::kRolledBack;
  } else if (journal.state == JournalState::kCommitting) {
    const CommitOutcome o = CompleteImport(menuDir, journal, left, notRestored, true, log);
    finished = o == CommitOutcome::kDone || o == CommitOutcome::kLost;
    inPart = o == CommitOutcome::kLost;
    did = inPart ? Recovery::kCompletedInPart : Recovery::kCompleted;
  }
  if (!finished) {
    *why = ImportRefusal::kRecoveryFailed;
    return -1;
  }
  // What is left undone now stays so: a journal kept for it would block the directory for good.
  if (RemoveJournal(menuDir, -1) != 0) {
    left->push_back(kJournalName);
    // Marked done, it asks nothing more of anyone; one that could not even be marked is tried again.
    ImportJournal now;
    if (ReadJournal(menuDir, &now) != 0 || now.state != JournalState::kDone) {
      *why = ImportRefusal::kRecoveryFailed;
      return -1;
    }
  }
  *done = did;
  if (inPart) {
    *why = ImportRefusal::kRecoveryFailed;
    return -1;
  }
  return 0;
}

int PendingRecovery(const std::string& menuDir, Recovery* what) {
  *what = Recovery::kNone;
  ImportJournal journal;
  const int r = ReadJournal(menuDir, &journal);
  if (r == kPlatformNotFound) return 0;
  if (r != 0) return -1;
  if (journal.state == JournalState::kStaging) *what = Recovery::kRolledBack;
  if (journal.state == JournalState::kCommitting) *what = Recovery::kCompleted;
  return 0;
}

int RecoverMenuDir(const std::string& menuDir, Recovery* done, ImportRefusal* why, StringAry* left, StringAry* lost,
                   RecoveryLog* log) {
  *done = Recovery::kNone;
  if (const int d = CheckDirectory(menuDir); d != 0) {
    *why = d == kPlatformNotFound ? ImportRefusal::kMenuDirMissing : ImportRefusal::kMenuDirNotDirectory;
    return -1;
  }
  DirLock lock;
  *why = lock.Take(menuDir);
  if (*why != ImportRefusal::kNone) return -1;
  const int r = RecoverImport(menuDir, done, why, left, lost, log);
  if (!lock.Release()) left->push_back(kLockName);
  return r;
}

}  // namespace quarvel
