// Retrying the steps of a commit or a rollback, which must not stop halfway on a passing failure.
#pragma once

namespace quarvel {

constexpr int kRetries = 3;

// Runs `step` until it succeeds, at most kRetries times.
template <typename Step>
bool Retry(Step step) {
  for (int i = 0; i < kRetries; ++i) {
    if (step()) return true;
  }
  return false;
}

}  // namespace quarvel
