// The check of a sealed diff's bases against the menu directory it is imported into: an import never
// overwrites unseen a local change made since the diff was made.
#pragma once

#include <vector>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_seal.h"
#include "model/records.h"

namespace quarvel {

// An entry whose item in the target is neither what the diff was made against nor what the diff
// makes of it.
struct BaseConflict {
  int entry = -1;
  EntryBase base;   // what the diff was made against
  EntryBase found;  // what the target holds: kAbsent (missing), kFile (its size and stamp),
                    // kDocument (present), kNone (something that cannot be read as the item)
  bool libraryMissing = false;  // a document's library is not there at all
};

struct BaseCheck {
  std::vector<int> applied;  // entries whose item already is as the diff makes it
  std::vector<BaseConflict> conflicts;
};

// For every entry of `directory` that carries no excluded mark and has a base in `seal`, compares the
// item in `menuDir` (ends with a separator) with the base and, where they differ, with the diff's new
// state (bytes of a file read only where the sizes agree; a deletion's new state is absence).
// `diff` is the open diff and `blocks` its blocks. Reads only.
void CheckBases(const std::string& menuDir, int diff, const SBNdtAry& directory, const std::vector<DiffBlock>& blocks,
                const SealState& seal, BaseCheck* out);

}  // namespace quarvel
