// Compares a sealed diff's bytes with the digests of its seal.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/diff/diff_check.h"
#include "fileio/range_digests.h"

namespace quarvel {

// Digests the header and directory and the chosen blocks of a sealed diff on helper threads from its
// construction on, so that an import verifies the blocks it uses while it stages them.
class SealVerifier {
 public:
  // `blocks` and `seal` as CheckDiffFile gave them for `path`; `wanted[i]` chooses entry i (every
  // entry when `wanted` is empty).
  SealVerifier(const std::string& path, const std::vector<DiffBlock>& blocks, const SealState& seal,
               const std::vector<bool>& wanted = {});
  // Waits for the digests. kNone when every one chosen matches; kDigestMismatch with the first
  // damaged entry (-1: the header or directory), every damaged one in `damaged` (may be null) in
  // order, -1 first; kNotOpened when the diff could not be read.
  DiffCheck Finish(std::vector<int>* damaged = nullptr);

 private:
  RangeDigests digests_;
  const SealState& seal_;
  std::vector<int> entries_;  // the entry of each range after the head
};

}  // namespace quarvel
