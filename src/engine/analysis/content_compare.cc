#include "engine/analysis/content_compare.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

// Closes a descriptor of the host when it goes out of scope.
struct HostFile {
  int fd = -1;
  ~HostFile() {
    if (fd >= 0) Host().Close(fd);
  }
};

// The two read buffers of one thread, grown to the largest chunk it has needed.
struct Buffers {
  std::unique_ptr<char[]> a, b;
  std::size_t size = 0;
  void Reserve(std::size_t n) {
    if (n <= size) return;
    a.reset(new char[n]);
    b.reset(new char[n]);
    size = n;
  }
};

enum class Verdict { kDifferent, kSame, kUnreadable };

// Opens a listed file for the comparison; a file that vanished since its listing is no failure.
Verdict OpenListed(const std::string& path, HostFile* file, ReadFailure* failure) {
  file->fd = Host().Open(path, OpenMode::kRead);
  if (file->fd >= 0) return Verdict::kSame;
  if (file->fd == kPlatformNotFound) return Verdict::kDifferent;
  *failure = {path, file->fd};
  return Verdict::kUnreadable;
}

// Reads c bytes of a file whose size was `size` when opened. A read that comes up short is a change
// of the file when it has shrunk meanwhile, and a failure when it has not.
Verdict ReadChunk(const std::string& path, int fd, char* buffer, std::size_t c, std::int64_t size,
                  ReadFailure* failure) {
  const long got = Host().Read(fd, buffer, c);
  if (got == static_cast<long>(c)) return Verdict::kSame;
  if (got >= 0 && Host().Size(fd) < size) return Verdict::kDifferent;
  *failure = {path, kPlatformFailed};
  return Verdict::kUnreadable;
}

// Whether one pair holds the same bytes; `equal(bytes)` after each chunk found equal.
template <typename Equal>
Verdict SameBytes(const std::string& a, const std::string& b, Buffers& buffers, ReadFailure* failure,
                  Equal&& equal) {
  Platform& host = Host();
  HostFile fa, fb;
  if (const Verdict v = OpenListed(a, &fa, failure); v != Verdict::kSame) return v;
  if (const Verdict v = OpenListed(b, &fb, failure); v != Verdict::kSame) return v;
  // The sizes now, not the listings': a file that changed in between is compared as it is.
  const std::int64_t na = host.Size(fa.fd), nb = host.Size(fb.fd);
  if (na < 0 || nb < 0) {
    *failure = {na < 0 ? a : b, kPlatformFailed};
    return Verdict::kUnreadable;
  }
  if (na != nb) return Verdict::kDifferent;
  auto remaining = static_cast<std::uint64_t>(na);
  buffers.Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kBulkChunk)));
  while (remaining > 0) {
    const auto c = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kBulkChunk));
    if (const Verdict v = ReadChunk(a, fa.fd, buffers.a.get(), c, na, failure); v != Verdict::kSame) return v;
    if (const Verdict v = ReadChunk(b, fb.fd, buffers.b.get(), c, nb, failure); v != Verdict::kSame) return v;
    if (std::memcmp(buffers.a.get(), buffers.b.get(), c) != 0) return Verdict::kDifferent;
    equal(c);
    remaining -= c;
  }
  return Verdict::kSame;
}

// A second thread's share of the pairs: its progress waits in a counter for the calling thread.
class Helper {
 public:
  template <typename Run>
  void Start(Run run) {
    try {
      thread_ = std::thread([this, run] {
        run([this](std::uint64_t n) { bytes_ += n; });
        const std::lock_guard<std::mutex> hold(mutex_);
        finished_ = true;
        done_.notify_one();
      });
    } catch (...) {
      // No thread to be had (or no memory for one): the calling thread takes every pair.
    }
  }

  // The bytes it found equal since the last call.
  std::uint64_t TakeBytes() { return bytes_.exchange(0); }

  // Waits for it to finish, handing its progress on meanwhile, so that a large file it is on still
  // shows progress.
  void Finish() {
    if (!thread_.joinable()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_.wait_for(lock, std::chrono::milliseconds(100), [this] { return finished_; })) {
      lock.unlock();
      ReportCopyProgress(TakeBytes());
      lock.lock();
    }
    lock.unlock();
    thread_.join();
    ReportCopyProgress(TakeBytes());
  }

  ~Helper() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<std::uint64_t> bytes_{0};
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
};

}  // namespace

std::vector<std::uint8_t> SameFilesBytes(const std::string& dirA, const std::string& dirB,
                                         const std::vector<ListedPair>& pairs, ReadFailure* failure) {
  *failure = {};
  std::vector<std::uint8_t> same(pairs.size(), 0);
  std::atomic<std::size_t> next{0};
  // The failure of the lowest pair, whichever thread found it; once one is known the rest is moot.
  std::mutex failed_lock;
  std::size_t failed_at = pairs.size();
  std::atomic<bool> failed{false};
  // Each thread takes the next pair not yet taken until none is left.
  const auto run = [&](auto&& equal) {
    Buffers buffers;
    for (std::size_t i = next++; i < pairs.size() && !failed; i = next++) {
      const ListedPair& p = pairs[i];
      if (p.a->size != p.b->size) continue;
      ReadFailure why;
      const Verdict v = SameBytes(dirA + p.a->name, dirB + p.b->name, buffers, &why, equal);
      if (v == Verdict::kUnreadable) {
        const std::lock_guard<std::mutex> hold(failed_lock);
        if (i < failed_at) {
          failed_at = i;
          *failure = why;
        }
        failed = true;
      }
      same[i] = v == Verdict::kSame ? 1 : 0;
    }
  };
  Helper helper;
  if (pairs.size() > 1 && Host().ConcurrentReads()) helper.Start([&](auto&& equal) { run(equal); });
  run([&](std::uint64_t n) { ReportCopyProgress(n + helper.TakeBytes()); });
  helper.Finish();
  if (failed) std::fill(same.begin(), same.end(), 0);
  return same;
}

}  // namespace quarvel
