// A diff file checked whole, with everything the check gives: for tests that look at its seal.
#pragma once

#include <string>
#include <vector>

#include "engine/diff/diff_check.h"

namespace quarvel {

struct CheckedDiff {
  DiffCheck check;
  SBNdtAry list;
  std::string description;
  std::vector<DiffBlock> blocks;
  SealState seal;
};

inline CheckedDiff CheckDiff(const std::string& path) {
  CheckedDiff d;
  d.check = CheckDiffFile(path, &d.list, &d.description, &d.blocks, &d.seal);
  return d;
}

}  // namespace quarvel
