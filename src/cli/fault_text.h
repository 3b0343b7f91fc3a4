// kmd's words for every fault and step that the engine reports: one table per kind, each a switch
// over the whole enumeration, so that the compiler names a value that has no words yet.
#pragma once

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "engine/import/undo_plan.h"

namespace quarvel::kmd {

// A short English description of a fault of a diff, its target or the import's refusal.
const char* DiffFaultText(DiffFault fault);
// Of the step of an import that failed ("could not ...").
const char* ImportStepText(ImportStep step);
// Of why an undo file could not be made.
const char* UndoFaultText(UndoFault fault);
// Of why a diff could not be written.
const char* WriteFaultText(WriteFault fault);

}  // namespace quarvel::kmd
