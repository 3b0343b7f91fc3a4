#include "cli/progress.h"

#include <cstdio>

#include "fileio/copy_progress.h"
#include "platform/platform.h"

namespace quarvel::kmd {

namespace {
constexpr std::uint64_t kLongWork = 16u << 20;  // bytes before progress shows
}  // namespace

Progress::Progress(const char* verb) : verb_(verb), last_(std::chrono::steady_clock::now()) {
  if (Host().StderrIsTerminal()) SetCopyProgress([this](std::uint64_t bytes) { Add(bytes); });
}

Progress::~Progress() {
  SetCopyProgress(nullptr);
  if (shown_) std::fprintf(stderr, "\r%s: %.1f MB done\n", verb_, static_cast<double>(bytes_) / (1 << 20));
}

void Progress::Add(std::uint64_t bytes) {
  bytes_ += bytes;
  const auto now = std::chrono::steady_clock::now();
  if (bytes_ < kLongWork || now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  shown_ = true;
  std::fprintf(stderr, "\r%s: %.1f MB", verb_, static_cast<double>(bytes_) / (1 << 20));
  std::fflush(stderr);
}

}  // namespace quarvel::kmd
