#include "fileio/range_digests.h"

#include <algorithm>

#include "fileio/fileio.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

// Two helpers: with the caller's own copying, enough to keep two processors busy.
constexpr unsigned kHelpers = 2;
// A helper's reads: small enough that a chunk is still in the processor's cache when it is digested,
// and that the helpers add little to the program's memory.
constexpr std::size_t kDigestChunk = kCompareChunk;

// Adds `length` bytes of `fd` from `offset` on to `sha`; false when they could not be read whole.
bool DigestWith(int fd, std::uint64_t offset, std::uint64_t length, std::vector<char>& buffer, Sha256& sha,
                const std::atomic<bool>* stop) {
  Platform& host = Host();
  if (host.Seek(fd, static_cast<std::int64_t>(offset)) != static_cast<std::int64_t>(offset)) return false;
  while (length > 0) {
    if (stop != nullptr && *stop) return false;
    const auto c = static_cast<std::size_t>(std::min<std::uint64_t>(length, kDigestChunk));
    if (buffer.size() < c) buffer.resize(c);
    if (host.Read(fd, buffer.data(), c) != static_cast<long>(c)) return false;
    sha.Update(buffer.data(), c);
    length -= c;
  }
  return true;
}

}  // namespace

bool DigestRange(int fd, std::uint64_t offset, std::uint64_t length, Sha256Digest* digest, const std::string& prefix) {
  std::vector<char> buffer;
  Sha256 sha;
  sha.Update(prefix.data(), prefix.size());
  return DigestWith(fd, offset, length, buffer, sha, nullptr) && sha.Finish(digest);
}

bool RangeHasDigest(int fd, std::uint64_t offset, std::uint64_t length, const Sha256Digest& want) {
  Sha256Digest got{};
  return DigestRange(fd, offset, length, &got) && got == want;
}

RangeDigests::RangeDigests(const std::string& path) {
  const unsigned threads = Host().ConcurrentReads() ? kHelpers : 0;
  for (unsigned i = 0; i < std::max(threads, 1u); ++i) {
    auto helper = std::make_unique<Helper>();
    helper->fd = Host().Open(path, OpenMode::kRead);
    if (helper->fd < 0) break;
    helper->buffer.resize(kDigestChunk);  // here, so that no helper thread makes a heap of its own
    helpers_.push_back(std::move(helper));
  }
  for (unsigned i = 0; i < threads && i < helpers_.size(); ++i) {
    Helper& h = *helpers_[i];
    try {
      h.thread = std::thread([this, &h] { Run(h); });
    } catch (...) {
      // No thread to be had: Finish digests what is left itself.
    }
  }
}

RangeDigests::~RangeDigests() {
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    closing_ = true;
    stop_ = true;
  }
  wake_.notify_all();
  for (auto& h : helpers_) {
    if (h->thread.joinable()) h->thread.join();
    Host().Close(h->fd);
  }
}

void RangeDigests::Add(std::uint64_t offset, std::uint64_t length) {
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    ranges_.push_back({offset, length});
    digests_.emplace_back();
  }
  wake_.notify_one();
}

bool RangeDigests::Digest(Helper& helper, const Range& r, Sha256Digest* d) {
  Sha256 sha;
  return DigestWith(helper.fd, r.offset, r.length, helper.buffer, sha, &stop_) && sha.Finish(d);
}

void RangeDigests::Run(Helper& helper) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return closing_ || failed_ || taken_ < ranges_.size(); });
    if (failed_ || stop_ || taken_ == ranges_.size()) return;
    const std::size_t k = taken_++;
    const Range r = ranges_[k];
    lock.unlock();
    Sha256Digest d{};
    const bool ok = Digest(helper, r, &d);
    lock.lock();
    if (!ok) {
      failed_ = true;
      wake_.notify_all();
      return;
    }
    digests_[k] = d;
  }
}

bool RangeDigests::Finish(std::vector<Sha256Digest>* digests) {
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  for (auto& h : helpers_) {
    if (h->thread.joinable()) h->thread.join();
  }
  if (helpers_.empty()) return false;
  // Without helpers (or after them), whatever is left is digested here.
  while (!failed_ && taken_ < ranges_.size()) {
    const std::size_t k = taken_++;
    if (!Digest(*helpers_[0], ranges_[k], &digests_[k])) failed_ = true;
  }
  if (failed_) return false;
  *digests = digests_;
  return true;
}

}  // namespace quarvel
