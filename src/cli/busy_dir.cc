#include "cli/busy_dir.h"

#include "cli/fault_text.h"
#include "cli/output.h"
#include "engine/import/dir_lock.h"
#include "fileio/work_names.h"
#include "platform/platform.h"

namespace quarvel::kmd {

bool IsDirectoryFault(ImportRefusal fault) {
  switch (fault) {
    case ImportRefusal::kImportRunning:
    case ImportRefusal::kRecoveryPending:
    case ImportRefusal::kLockInTheWay:
    case ImportRefusal::kLockIsDirectory:
    case ImportRefusal::kLockIsSpecial:
    case ImportRefusal::kLockOfOtherUser:
    case ImportRefusal::kLockLinked:
      return true;
    default:
      return false;
  }
}

std::string BusyText(ImportRefusal fault, const std::string& shown) {
  if (fault == ImportRefusal::kImportRunning) return "another import is running in " + shown;
  if (fault == ImportRefusal::kRecoveryPending) {
    return "an interrupted import awaits recovery in " + shown + "; run kmd recover " + shown;
  }
  // A lock file in the way says where and what to do; only the user can tell whether to remove it.
  const bool ends = !shown.empty() && (shown.back() == '/' || shown.back() == kDirSep);
  const std::string lock = shown + (ends ? "" : std::string(1, kDirSep)) + kLockName;
  switch (fault) {
    case ImportRefusal::kLockOfOtherUser:
      return "a lock file of another user's import is left in " + shown + ": " + lock +
             " is not this user's; if no import runs there, that user's kmd recover " + shown +
             " or removing the file clears it";
    case ImportRefusal::kLockLinked:
      return std::string(RefusalText(fault)) + " in " + shown + ", so it is not written to; remove " + lock +
             " (its other names stay)";
    case ImportRefusal::kLockInTheWay:
    case ImportRefusal::kLockIsDirectory:
    case ImportRefusal::kLockIsSpecial:
      return std::string(RefusalText(fault)) + " in " + shown + "; remove or rename " + lock;
    default:
      break;
  }
  return std::string(RefusalText(fault)) + ": " + shown;
}

int IdleDir(const std::string& dir, const std::string& shown, bool whole) {
  const ImportRefusal f = MenuDirBusy(dir);
  if (f == ImportRefusal::kNone || (f == ImportRefusal::kRecoveryPending && !whole)) return kExitOk;
  return Fail(kExitFailed, BusyText(f, shown));
}

}  // namespace quarvel::kmd
