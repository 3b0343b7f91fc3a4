// Progress of long work on standard error, when it is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace quarvel::kmd {

// Shows bytes moved so far on standard error while work runs long, when it is a terminal.
class Progress {
 public:
  explicit Progress(const char* verb);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  void Add(std::uint64_t bytes);

  const char* verb_;
  std::uint64_t bytes_ = 0;
  std::chrono::steady_clock::time_point last_;
  bool shown_ = false;
};

}  // namespace quarvel::kmd
