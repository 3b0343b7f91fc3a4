#include "fileio/range_digests.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "fileio/fileio.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

bool DigestWith(int fd, std::uint64_t offset, std::uint64_t length, std::vector<char>& buffer, Sha256Digest* digest,
                const std::atomic<bool>* stop) {
  Platform& host = Host();
  if (host.Seek(fd, static_cast<std::int64_t>(offset)) != static_cast<std::int64_t>(offset)) return false;
  Sha256 sha;
  while (length > 0) {
    if (stop != nullptr && *stop) return false;
    const auto c = static_cast<std::size_t>(std::min<std::uint64_t>(length, kBulkChunk));
    if (buffer.size() < c) buffer.resize(c);
    if (host.Read(fd, buffer.data(), c) != static_cast<long>(c)) return false;
    sha.Update(buffer.data(), c);
    length -= c;
  }
  return sha.Finish(digest);
}

}  // namespace

bool DigestRange(int fd, std::uint64_t offset, std::uint64_t length, Sha256Digest* digest) {
  std::vector<char> buffer;
  return DigestWith(fd, offset, length, buffer, digest, nullptr);
}

RangeDigests::RangeDigests(const std::string& path) {
  fd_ = Host().Open(path, OpenMode::kRead);
  if (fd_ < 0 || !Host().ConcurrentReads()) return;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    // No thread to be had: Finish digests every range itself.
  }
}

RangeDigests::~RangeDigests() {
  if (thread_.joinable()) {
    {
      const std::lock_guard<std::mutex> hold(mutex_);
      closing_ = true;
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  if (fd_ >= 0) Host().Close(fd_);
}

void RangeDigests::Add(std::uint64_t offset, std::uint64_t length) {
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    ranges_.push_back({offset, length});
  }
  wake_.notify_one();
}

bool RangeDigests::Digest(const Range& r, Sha256Digest* d) {
  thread_local std::vector<char> buffer;
  return DigestWith(fd_, r.offset, r.length, buffer, d, &stop_);
}

void RangeDigests::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return closing_ || digests_.size() < ranges_.size(); });
    if (failed_ || stop_ || digests_.size() == ranges_.size()) return;
    const Range r = ranges_[digests_.size()];
    lock.unlock();
    Sha256Digest d{};
    const bool ok = Digest(r, &d);
    lock.lock();
    if (!ok) {
      failed_ = true;
      return;
    }
    digests_.push_back(d);
  }
}

bool RangeDigests::Finish(std::vector<Sha256Digest>* digests) {
  if (thread_.joinable()) {
    {
      const std::lock_guard<std::mutex> hold(mutex_);
      closing_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  if (fd_ < 0) return false;
  // Without a thread (or after it), whatever is left is digested here.
  while (!failed_ && digests_.size() < ranges_.size()) {
    Sha256Digest d{};
    if (!Digest(ranges_[digests_.size()], &d)) failed_ = true;
    else digests_.push_back(d);
  }
  if (failed_) return false;
  *digests = digests_;
  return true;
}

}  // namespace quarvel
