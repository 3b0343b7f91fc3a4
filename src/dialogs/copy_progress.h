// The progress that the copies of one user event show: when it appears and where its bar stands. The
// views draw it in their toolkit's progress window; the rules are here once for all of them.
#pragma once

#include <chrono>
#include <cstdint>

namespace quarvel {

class CopyProgress {
 public:
  static constexpr int kRange = 1000;  // steps of the bar

  // The handling of one user event begins or ends; nested calls count. True for the outermost: the
  // caller then routes the copies' progress here, or closes its progress window.
  bool BeginWork();
  bool EndWork();
  // The copies until EndCopyWork move about `totalBytes` (0: not known).
  void BeginCopyWork(std::uint64_t totalBytes);
  void EndCopyWork();

  // A chunk of `bytes` was copied. -1 while the work has gone on for less than `delayMs` (nothing is
  // to show yet); else the bar's position: towards the total announced, one step short of the end at
  // most (a progress window that reaches its end waits to be closed, and an estimate that fell short
  // holds it there), or cycling when no total was announced.
  int OnCopied(std::uint64_t bytes);
  // The position cycles: no total is known.
  bool Pulsing() const { return total_ == 0; }

  long delayMs = 700;

 private:
  int depth_ = 0;
  std::uint64_t total_ = 0;   // bytes announced, 0 when not known
  std::uint64_t copied_ = 0;  // bytes copied since the announcement
  std::chrono::steady_clock::time_point start_;
  bool shown_ = false;
  int pulse_ = 0;
};

}  // namespace quarvel
