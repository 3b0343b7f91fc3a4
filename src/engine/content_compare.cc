#include "engine/content_compare.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

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

// Whether one pair holds the same bytes; `equal(bytes)` after each chunk found equal.
template <typename Equal>
bool SameBytes(const std::string& a, const std::string& b, Buffers& buffers, Equal&& equal) {
  Platform& host = Host();
  HostFile fa, fb;
  fa.fd = host.Open(a, OpenMode::kRead);
  if (fa.fd < 0) return false;
  fb.fd = host.Open(b, OpenMode::kRead);
  if (fb.fd < 0) return false;
  // The sizes now, not the listings': a file that changed in between is compared as it is.
  const std::int64_t na = host.Size(fa.fd), nb = host.Size(fb.fd);
  if (na < 0 || na != nb) return false;
  auto remaining = static_cast<std::uint64_t>(na);
  buffers.Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kBulkChunk)));
  while (remaining > 0) {
    const auto c = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kBulkChunk));
    if (host.Read(fa.fd, buffers.a.get(), c) != static_cast<long>(c) ||
        host.Read(fb.fd, buffers.b.get(), c) != static_cast<long>(c) ||
        std::memcmp(buffers.a.get(), buffers.b.get(), c) != 0) {
      return false;
    }
    equal(c);
    remaining -= c;
  }
  return true;
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
                                         const std::vector<ListedPair>& pairs) {
  std::vector<std::uint8_t> same(pairs.size(), 0);
  std::atomic<std::size_t> next{0};
  // Each thread takes the next pair not yet taken until none is left.
  const auto run = [&](auto&& equal) {
    Buffers buffers;
    for (std::size_t i = next++; i < pairs.size(); i = next++) {
      const ListedPair& p = pairs[i];
      if (p.a->size == p.b->size) same[i] = SameBytes(dirA + p.a->name, dirB + p.b->name, buffers, equal) ? 1 : 0;
    }
  };
  Helper helper;
  if (pairs.size() > 1 && Host().ConcurrentReads()) helper.Start([&](auto&& equal) { run(equal); });
  run([&](std::uint64_t n) { ReportCopyProgress(n + helper.TakeBytes()); });
  helper.Finish();
  return same;
}

}  // namespace quarvel
