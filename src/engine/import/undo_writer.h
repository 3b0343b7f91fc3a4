// Writing the undo of an import (undo_plan.h) from what the import has staged, before its commit.
#pragma once

#include <string>

#include "engine/import/import_journal.h"
#include "engine/import/undo_plan.h"

namespace quarvel {

// The checks of an undo file's path that need no file system identity: kInMenuDir when its directory
// is spelled as `menuDir`, kIsDiff when it is spelled as `diffPath`, kPathIsLink, kPathIsDir or
// kPathTaken when a link, a directory or anything else stands under it; else kNone. Changes nothing.
UndoFault CheckUndoPath(const std::string& path, const std::string& menuDir, const std::string& diffPath);

// Writes the undo diff of `plan` (not empty) to `path`, where nothing stands yet, through a work file
// from "KMDW" beside it, which is flushed and then renamed into place (never over anything), and
// flushes that directory. Each file's bytes and stamp are read from the menu directory `menuDir` as
// the import has staged it: a file that the import moved aside from its backup (found by its name in
// `journal`), a library and its documents from the library itself, which the commit has not replaced
// yet. Returns 0; or -1 with `fault` and the file concerned in `name`, and neither the work file nor
// anything at `path` left.
int WriteUndoFile(const std::string& path, const std::string& menuDir, const UndoPlan& plan,
                  const ImportJournal& journal, UndoFault* fault, std::string* name);

// Removes the undo file of an import that was rolled back after it was written, and flushes its
// directory. True when nothing stands at `path` any more.
bool RemoveUndoFile(const std::string& path);

}  // namespace quarvel
