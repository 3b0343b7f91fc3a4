// What kmd prints: UTF-8 text from CP932 records, one-line errors, and progress on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "model/records.h"

namespace quarvel::kmd {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// CP932 to UTF-8 for printing (bytes without a form are shown as \xNN).
std::string Utf8(const std::string& cp932);
// A host path or text from the command line to CP932; false (with an error printed) when it has no form.
bool FromArg(const std::string& arg, const char* what, std::string* cp932);
// A directory argument in CP932 with its trailing separator.
bool DirArg(const std::string& arg, std::string* dir);

// Prints "kmd: " + message to standard error and returns `code`.
int Fail(int code, const std::string& message);

// The list line of a change as the dialogs show it, in UTF-8; a raw description when no list shows it.
std::string ChangeLine(const SBNdt& change);

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
