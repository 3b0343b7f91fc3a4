// One import at a time in a menu directory: the lock file kLockName, locked by the process that
// imports (or recovers) for as long as it works there. The lock ends with its process however that
// ends, so a lock file left by a dead process is taken over.
#pragma once

#include <string>

#include "engine/import/import_check.h"

namespace quarvel {

class DirLock {
 public:
  DirLock() = default;
  ~DirLock() { Release(); }
  DirLock(const DirLock&) = delete;
  DirLock& operator=(const DirLock&) = delete;

  // Locks `menuDir` (which ends with a separator). kNone; kImportRunning when another process holds
  // it; kLockInTheWay (a symbolic link), kLockIsDirectory or kLockIsSpecial when that has the lock
  // file's name; kLockOfOtherUser or kLockLinked for a lock file that is not to be taken over;
  // kNotWritable when the lock file cannot be made. Nothing is written to a file it did not make
  // unless it is a plain file of this user with no other name.
  ImportRefusal Take(const std::string& menuDir);
  // Removes the lock file and unlocks; nothing when not held. False when the lock file could not be
  // removed (the next import takes it over).
  bool Release();
  // The lock file's descriptor while held (it stays the lock's), else -1.
  int fd() const { return fd_; }

 private:
  std::string path_;
  int fd_ = -1;
};

// Why nobody should read or write `dir` (ending with a separator) as a menu directory now: kNone,
// kImportRunning while another process holds its lock, kRecoveryPending when an interrupted import's
// journal lies there.
ImportRefusal MenuDirBusy(const std::string& dir);

}  // namespace quarvel
