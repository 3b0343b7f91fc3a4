#include "cli/busy_dir.h"

#include "cli/fault_text.h"
#include "cli/output.h"
#include "engine/import/dir_lock.h"
#include "fileio/work_names.h"
#include "platform/platform.h"

namespace quarvel::kmd {

bool IsDirectoryFault(DiffFault fault) {
  switch (fault) {
    case DiffFault::kImportRunning:
    case DiffFault::kRecoveryPending:
    case DiffFault::kLockInTheWay:
    case DiffFault::kLockIsDirectory:
    case DiffFault::kLockIsSpecial:
    case DiffFault::kLockOfOtherUser:
    case DiffFault::kLockLinked:
      return true;
    default:
      return false;
  }
}

std::string BusyText(DiffFault fault, const std::string& shown) {
  if (fault == DiffFault::kImportRunning) return "another import is running in " + shown;
  if (fault == DiffFault::kRecoveryPending) {
    return "an interrupted import awaits recovery in " + shown + "; run kmd recover " + shown;
  }
  // A lock file in the way says where and what to do; only the user can tell whether to remove it.
  const bool ends = !shown.empty() && (shown.back() == '/' || shown.back() == kDirSep);
  const std::string lock = shown + (ends ? "" : std::string(1, kDirSep)) + kLockName;
  switch (fault) {
    case DiffFault::kLockOfOtherUser:
      return "a lock file of another user's import is left in " + shown + ": " + lock +
             " is not this user's; if no import runs there, that user's kmd recover " + shown +
             " or removing the file clears it";
    case DiffFault::kLockLinked:
      return std::string(DiffFaultText(fault)) + " in " + shown + ", so it is not written to; remove " + lock +
             " (its other names stay)";
    case DiffFault::kLockInTheWay:
    case DiffFault::kLockIsDirectory:
    case DiffFault::kLockIsSpecial:
      return std::string(DiffFaultText(fault)) + " in " + shown + "; remove or rename " + lock;
    default:
      break;
  }
  return std::string(DiffFaultText(fault)) + ": " + shown;
}

int IdleDir(const std::string& dir, const std::string& shown, bool whole) {
  const DiffFault f = MenuDirBusy(dir);
  if (f == DiffFault::kNone || (f == DiffFault::kRecoveryPending && !whole)) return kExitOk;
  return Fail(kExitFailed, BusyText(f, shown));
}

}  // namespace quarvel::kmd
