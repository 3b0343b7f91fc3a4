// kmd's words for every fault and step that the engine reports: one table per kind, each a switch
// over the whole enumeration, so that the compiler names a value that has no words yet.
#pragma once

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "engine/import/import_check.h"
#include "engine/import/undo_plan.h"

namespace quarvel::kmd {

// A short English description of a fault of a diff.
const char* DiffFaultText(DiffFault fault);
// Of an import's refusal (its target, its lock, an interrupted import, the list).
const char* RefusalText(ImportRefusal refusal);
// Of whichever of the two a check holds.
const char* CheckText(const ImportCheck& check);
// Of the step of an import that failed ("could not ...").
const char* ImportStepText(ImportStep step);
// Of why an undo file could not be made.
const char* UndoFaultText(UndoFault fault);
// Of why a diff could not be written.
const char* WriteFaultText(WriteFault fault);

}  // namespace quarvel::kmd
