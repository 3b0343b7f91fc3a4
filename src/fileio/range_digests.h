// SHA-256 digests of byte ranges of one file, computed by helper threads while the caller goes on
// (where the host reads concurrently), so that a writer or an import pays for them in the time of its
// own copying rather than in a pass of its own. Ranges are independent: each helper takes the next
// one not yet taken, so that two of them digest two blocks at once. Each helper reads through a
// descriptor of its own and never touches the file-error word.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sha256.h"

namespace quarvel {

class RangeDigests {
 public:
  // Opens `path` for reading, once for each helper. A file that cannot be opened makes Finish false.
  explicit RangeDigests(const std::string& path);
  // Stops the helpers at their next chunk and closes the descriptors.
  ~RangeDigests();
  RangeDigests(const RangeDigests&) = delete;
  RangeDigests& operator=(const RangeDigests&) = delete;

  // Asks for the digest of [offset, offset + length): bytes already written by the caller, where the
  // file is being written.
  void Add(std::uint64_t offset, std::uint64_t length);
  // Waits for every digest asked for, in the order asked. False when the file could not be opened or
  // a range could not be read whole.
  bool Finish(std::vector<Sha256Digest>* digests);

 private:
  struct Range {
    std::uint64_t offset, length;
  };
  struct Helper {
    int fd = -1;
    std::vector<char> buffer;
    std::thread thread;
  };
  // One helper's loop: takes the next range not yet taken until none is left and `closing_`, or a
  // failure, or a stop.
  void Run(Helper& helper);
  bool Digest(Helper& helper, const Range& r, Sha256Digest* d);

  std::vector<std::unique_ptr<Helper>> helpers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Range> ranges_;
  std::vector<Sha256Digest> digests_;  // by range
  std::size_t taken_ = 0;              // ranges handed to a helper
  bool closing_ = false;
  bool failed_ = false;
  std::atomic<bool> stop_{false};
};

// The digest of `prefix` followed by `length` bytes of `fd` from `offset` on (the descriptor's
// position is moved); false when they could not be read.
bool DigestRange(int fd, std::uint64_t offset, std::uint64_t length, Sha256Digest* digest,
                 const std::string& prefix = "");
// Whether those bytes (no prefix) have the digest `want`; false too when they could not be read.
bool RangeHasDigest(int fd, std::uint64_t offset, std::uint64_t length, const Sha256Digest& want);

}  // namespace quarvel
