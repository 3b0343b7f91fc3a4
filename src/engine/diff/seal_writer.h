// Sealing a diff as it is written: the digests of its header and directory and of each block are
// taken from the work file by helper threads (RangeDigests) while the writer goes on, and the
// trailer is appended after the last block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/diff/diff_seal.h"
#include "fileio/range_digests.h"

namespace quarvel {

class SealWriter {
 public:
  // `work` is the file being written through `fd`, positioned just after its directory.
  SealWriter(const std::string& work, int fd);

  // After each block: its bytes lie from the end of the last one to `fd`'s position. False when the
  // position cannot be told.
  bool BlockWritten(int fd);
  // Appends the trailer with `bases` (one per block) through `fd`. False when a digest could not be
  // taken or the write failed (the file-error word says which). Closes the reading descriptor, so
  // that the work file can be renamed or removed on any host.
  bool Finish(int fd, std::vector<EntryBase> bases);
  // Stops the digests without a trailer (a failed write), closing the reading descriptor.
  void Abandon();

 private:
  std::unique_ptr<RangeDigests> digests_;
  std::int64_t end_ = -1;  // where the last block ended
};

}  // namespace quarvel
