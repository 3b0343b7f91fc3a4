#include "dialogs/copy_progress.h"

#include <algorithm>

namespace quarvel {

bool CopyProgress::BeginWork() {
  if (depth_++ > 0) return false;
  start_ = std::chrono::steady_clock::now();
  shown_ = false;
  return true;
}

bool CopyProgress::EndWork() {
  if (depth_ == 0 || --depth_ > 0) return false;
  shown_ = false;
  EndCopyWork();
  return true;
}

void CopyProgress::BeginCopyWork(std::uint64_t totalBytes) {
  total_ = totalBytes;
  copied_ = 0;
}

void CopyProgress::EndCopyWork() {
  total_ = 0;
  copied_ = 0;
}

int CopyProgress::OnCopied(std::uint64_t bytes) {
  copied_ += bytes;
  if (!shown_) {
    if (std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(delayMs)) return -1;
    shown_ = true;
  }
  if (total_ == 0) {
    pulse_ = (pulse_ + kRange / 20) % kRange;
    return pulse_;
  }
  const std::uint64_t done = std::min(copied_, total_);
  return static_cast<int>(std::min<std::uint64_t>(done * kRange / total_, kRange - 1));
}

}  // namespace quarvel
