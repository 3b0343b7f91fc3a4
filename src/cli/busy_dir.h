// A menu directory that an import holds, or whose lock file is in the way, as kmd words it.
#pragma once

#include <string>

#include "engine/import/import_check.h"

namespace quarvel::kmd {

// True for the faults that BusyText words: about the menu directory as a whole, not an entry.
bool IsDirectoryFault(ImportRefusal fault);
// The line for a menu directory that is busy (MenuDirBusy's kImportRunning or kRecoveryPending, or
// another refusal about the directory), `shown` as typed.
std::string BusyText(ImportRefusal fault, const std::string& shown);
// kExitOk when no import runs in `dir` (CP932, with its separator) and, with `whole`, none awaits
// recovery there (so that the directory can be read as one state); else kExitFailed, printed.
int IdleDir(const std::string& dir, const std::string& shown, bool whole);

}  // namespace quarvel::kmd
