// The Japanese causes of the engine's failures, beneath a dialog's own message: what failed, the entry
// or file by its name, and what the user can do. One table for both views; kmd words its own.
#pragma once

#include <string>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "engine/import/import_check.h"
#include "model/records.h"

namespace quarvel {

// Why a check refused a diff (a fault of the diff, or the refusal of its import), with the entry it
// names (by its file and document) on a line of its own. `list` is the diff's directory as read; an
// entry outside it is not named.
std::string DiffFaultCause(const ImportCheck& check, const SBNdtAry& list);

// The lines beneath "差分取込にエラーが発生しました。" for an import that returned -1: the check's
// cause, or the step that failed with its file; then that the menu directory is unchanged, and the
// files that could not be cleaned up, if any.
std::string ImportFailureCause(const ImportReport& report, const SBNdtAry& list);

// The message of an import that returned kImportIncomplete: the directory is partly updated, the files
// left behind, and that the next import (or kmd recover) finishes it.
std::string ImportIncompleteMessage(const ImportReport& report);

// The line beneath "差分作成エラー": why the diff was not written, and the entry concerned.
std::string WriteFailureCause(const WriteFailure& failure, const SBNdtAry& list);

// The question asked before an import over local changes: the cause, then for each conflicting entry
// (at most five, then how many more) its name, what the diff was made against and what the target
// holds, a line each, then whether to import over them.
std::string ConflictQuestion(const BaseCheck& bases, const SBNdtAry& list);
// "\n既に取り込まれていた項目: N" when entries were left out as already applied; else empty.
std::string AppliedLine(const BaseCheck& bases);

// A list of file names for a message: "A, B, C".
std::string NameList(const StringAry& names);

// What a recovery did, a line for each kind of step that it took: "\n削除したﾌｧｲﾙ: A, B" and so on.
std::string RecoveryLogLines(const RecoveryLog& log);

}  // namespace quarvel
