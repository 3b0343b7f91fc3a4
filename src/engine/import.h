// Importing a diff file into a menu directory, all or nothing.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

// The commit had replaced a library when a later one still could not be replaced after retries: part
// of the new state is in place, and the "SBN0" backups of the replaced and deleted files are kept.
// Only a persistent failure of the file system (not a single fault) leads here.
constexpr int kImportIncomplete = -2;

// Applies the diff at `diffPath` to `menuDir` (which ends with a separator), skipping the entries that
// carry the excluded mark in `list` (the directory the dialog loaded from the same diff, matched by
// position). The whole diff is checked before anything changes; files to be replaced or deleted are
// moved to "SBN0" backups, libraries rebuilt into "SBN1" work files, new files created, stamped and
// flushed; then the commit puts the libraries in place with ReplaceFile and removes the backups.
// Returns 0 when every entry that is not excluded was applied, -1 when the menu directory is exactly as
// it was (nothing changed, or everything rolled back), kImportIncomplete as above. `window` is the
// caller's and is not used.
int ImportDiff(void* window, const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list);

}  // namespace quarvel
