#include <cstdio>

#include "cli/arguments.h"
#include "cli/busy_dir.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/recovery_output.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"

namespace quarvel::kmd {

std::string RecoveryLine(Recovery done, const std::string& shown) {
  switch (done) {
    case Recovery::kNone: return "no interrupted import in " + shown;
    case Recovery::kRolledBack: return "rolled back the interrupted import in " + shown + ": its old state is back";
    case Recovery::kCompleted: return "completed the interrupted import in " + shown + ": its new state is in place";
    case Recovery::kRolledBackInPart:
      return "rolled back the interrupted import in " + shown + " as far as it could: its old state is not all back";
    case Recovery::kCompletedInPart:
      return "completed the interrupted import in " + shown + " as far as it could: its new state is not all in place";
  }
  return "";
}

std::string RecoveryFailure(ImportRefusal why, const StringAry& left, const std::string& shown, Recovery done,
                            const StringAry& lost) {
  // The recovery did what it could and removed the journal: nothing is retried.
  const std::string kept = left.empty() ? "" : "; kept as found: " + Names(left);
  if (why == ImportRefusal::kRecoveryFailed && done == Recovery::kRolledBackInPart) {
    return "rolled back the interrupted import in " + shown + " as far as it could, but its old state is not back" +
           (lost.empty() ? "" : ": the old files of " + Names(lost) + " could not be restored") + kept +
           (lost.empty() ? ", which the import did not make" : "") + "; its journal is removed";
  }
  if (why == ImportRefusal::kRecoveryFailed && done == Recovery::kCompletedInPart) {
    return "completed the interrupted import in " + shown + " but for " + Names(lost) +
           ", whose new state was lost and which keep their old one" + kept + "; its journal is removed";
  }
  if (why == ImportRefusal::kJournalUntrusted) {
    return std::string("the journal ") + kJournalName + " in " + shown +
           " cannot be read or trusted; nothing was changed; compare the directory with a backup, then remove it";
  }
  if (why == ImportRefusal::kRecoveryFailed) {
    return "could not finish the interrupted import in " + shown + (left.empty() ? "" : ", kept: " + Names(left)) +
           "; its journal stays, and kmd recover " + shown + " tries again";
  }
  return BusyText(why, shown);
}

// One line for every file the recovery removed, gave back, put in place or kept as it found it.
void PrintRecoveryLog(const RecoveryLog& log) {
  const std::pair<const char*, const StringAry*> lines[] = {
      {"removed", &log.removed}, {"restored", &log.restored}, {"placed", &log.placed}, {"kept", &log.kept}};
  for (const auto& [label, names] : lines) {
    for (const std::string& name : *names) std::printf("%s %s\n", label, Utf8(name).c_str());
  }
}

int ReportRecovery(const RecoveryResult& r, const std::string& shown, bool sayNone) {
  PrintRecoveryLog(r.log);
  std::fflush(stdout);
  if (r.result != 0) return Fail(kExitFailed, RecoveryFailure(r.why, r.left, shown, r.done, r.lost));
  if (r.done != Recovery::kNone || sayNone) std::printf("%s\n", RecoveryLine(r.done, shown).c_str());
  if (!r.left.empty()) {
    std::fflush(stdout);
    Fail(kExitOk, "warning: could not remove " + Names(r.left) + " from " + shown + "; the next import or kmd recover removes them");
  }
  return kExitOk;
}

int RunRecover(const std::string& dirArg) {
  std::string menuDir;
  if (const int r = DirArg(dirArg, "MENU_DIR", &menuDir); r != kExitOk) return r;
  return ReportRecovery(ImportSession::FinishInterrupted(menuDir), dirArg, true);
}

}  // namespace quarvel::kmd
