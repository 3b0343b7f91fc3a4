// A job that a test runs in a child process, so that the child can die at a chosen point (or hold a
// lock) while the test looks on. On POSIX the child is a fork of the test; on Windows it is this test
// program started again, which enters the job through the test that CHILD_PROCESS_ENTRY defines and
// finds the job in its environment.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvel {

// A job's name and its arguments (CP932 paths, numbers), as the child's main takes them.
using ChildJob = std::vector<std::string>;
// Runs the job in the child; its result is the child's exit code.
using ChildMain = int (*)(const ChildJob& job);

class ChildProcess {
 public:
  ChildProcess() = default;
  // A child still running is ended and waited for.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `main(job)` in a child. `entry` names the suite of the CHILD_PROCESS_ENTRY that reaches
  // `main` on Windows. False when no child could be started.
  bool Start(const char* entry, ChildMain main, const ChildJob& job);
  // Waits for the child to end. Its exit code; -1 when it was ended by a signal or none was started.
  int Wait();

 private:
#ifdef _WIN32
  void* process_ = nullptr;
#else
  int pid_ = -1;
#endif
};

// Starts `main(job)` in a child and waits for it: the child's exit code, or -1.
inline int RunChild(const char* entry, ChildMain main, const ChildJob& job) {
  ChildProcess child;
  return child.Start(entry, main, job) ? child.Wait() : -1;
}

// Ends the calling process at once with `code`, as a kill would: no exit handlers, no buffers flushed.
[[noreturn]] void EndProcessNow(int code);

// The child's side on Windows: runs `main` on the job that the parent handed over and ends the
// process with its result.
[[noreturn]] void EnterChild(ChildMain main);

}  // namespace quarvel

// Defines the test through which a child of ChildProcess enters `main` on Windows. It is disabled, so
// that only a child runs it; on POSIX, where the child is a fork, it is not needed and defines nothing.
#ifdef _WIN32
#define CHILD_PROCESS_ENTRY(suite, main) \
  TEST(suite, DISABLED_Child) { ::quarvel::EnterChild(main); }
#else
#define CHILD_PROCESS_ENTRY(suite, main) static_assert(true, "")
#endif
