// What kmd says of an interrupted import that it finishes, for `kmd recover` and `kmd import`.
#pragma once

#include <string>

#include "engine/import/import_session.h"
#include "engine/import/recovery.h"

namespace quarvel::kmd {

// "rolled back the interrupted import in DIR" and the like (`shown`: the directory as typed).
std::string RecoveryLine(Recovery done, const std::string& shown);
// The error line of a recovery that failed with `why`, naming what it left; for one that did all it
// could (`done` kRolledBackInPart or kCompletedInPart, RecoverImport), also what it could not restore.
std::string RecoveryFailure(ImportRefusal why, const StringAry& left, const std::string& shown,
                            Recovery done = Recovery::kNone, const StringAry& lost = {});
// Prints what finishing an interrupted import did (ImportSession::FinishInterrupted); with `sayNone`,
// also that there was nothing to do. kExitOk, or kExitFailed with the error printed.
int ReportRecovery(const RecoveryResult& result, const std::string& shown, bool sayNone);

}  // namespace quarvel::kmd
