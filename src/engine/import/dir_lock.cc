#include "engine/import/dir_lock.h"

#include "engine/import/retry.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "platform/platform.h"

namespace quarvel {

ImportRefusal DirLock::Take(const std::string& menuDir) {
  Release();
  const std::string path = menuDir + kLockName;
  int fd = -1;
  const int r = Host().LockFile(path, &fd);
  if (r == kPlatformBusy) return ImportRefusal::kImportRunning;
  if (r == kLockOtherUser) return ImportRefusal::kLockOfOtherUser;
  if (r == kLockLinked) return ImportRefusal::kLockLinked;
  if (r != 0) {
    // What stands there decides the message; a plain file or nothing means the directory refused.
    std::uint32_t attrs = 0;
    const bool there = Host().GetAttributes(path, &attrs) == 0;
    if (there && (attrs & kAttrLink)) return ImportRefusal::kLockInTheWay;
    if (there && (attrs & kAttrDirectory)) return ImportRefusal::kLockIsDirectory;
    if (r == kLockNotPlainFile) return ImportRefusal::kLockIsSpecial;
    return ImportRefusal::kNotWritable;
  }
  path_ = path;
  fd_ = fd;
  // Who holds it, for a person who finds the file; the lock itself is what counts.
  std::string label = Host().ProcessLabel();
  label.resize(79, ' ');
  label += '\n';
  if (Host().Seek(fd_, 0) == 0) Host().Write(fd_, label.data(), label.size());
  return ImportRefusal::kNone;
}

bool DirLock::Release() {
  if (fd_ < 0) return true;
  // The name goes while the lock is still held: whoever locks the old file after us finds it nameless
  // and makes a new one. A lock file that stays is merely taken over by the next import.
  const bool gone = Retry([&] {
    const int r = FileRemove(path_);
    return r == 0 || r == kPlatformNotFound;
  });
  Host().Close(fd_);
  fd_ = -1;
  path_.clear();
  return gone;
}

ImportRefusal MenuDirBusy(const std::string& dir) {
  if (Host().ProbeLock(dir + kLockName) == kPlatformBusy) return ImportRefusal::kImportRunning;
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(dir + kJournalName, &attrs) == 0) return ImportRefusal::kRecoveryPending;
  return ImportRefusal::kNone;
}

}  // namespace quarvel
