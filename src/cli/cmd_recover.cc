#include <cstdio>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/recovery_output.h"
#include "fileio/fileio.h"

namespace quarvel::kmd {

std::string RecoveryLine(Recovery done, const std::string& shown) {
  switch (done) {
    case Recovery::kNone: return "no interrupted import in " + shown;
    case Recovery::kRolledBack: return "rolled back the interrupted import in " + shown + ": its old state is back";
    case Recovery::kCompleted: return "completed the interrupted import in " + shown + ": its new state is in place";
  }
  return "";
}

std::string RecoveryFailure(DiffFault why, const StringAry& left, const std::string& shown) {
  if (why == DiffFault::kJournalUntrusted) {
    return std::string("the journal ") + kJournalName + " in " + shown +
           " cannot be read or trusted; nothing was changed; compare the directory with a backup, then remove it";
  }
  if (why == DiffFault::kRecoveryFailed) {
    return "could not finish the interrupted import in " + shown + (left.empty() ? "" : ", kept: " + Names(left)) +
           "; its journal stays, and kmd recover " + shown + " tries again";
  }
  return BusyText(why, shown);
}

int Recover(const std::string& menuDir, const std::string& shown, bool sayNone) {
  Recovery done = Recovery::kNone;
  DiffFault why = DiffFault::kNone;
  StringAry left;
  if (RecoverMenuDir(menuDir, &done, &why, &left) != 0) return Fail(kExitFailed, RecoveryFailure(why, left, shown));
  if (done != Recovery::kNone || sayNone) std::printf("%s\n", RecoveryLine(done, shown).c_str());
  return kExitOk;
}

int RunRecover(const std::string& dirArg) {
  std::string menuDir;
  if (const int r = DirArg(dirArg, "MENU_DIR", &menuDir); r != kExitOk) return r;
  return Recover(menuDir, dirArg, true);
}

}  // namespace quarvel::kmd
