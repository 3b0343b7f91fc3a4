// The child of ChildProcess as a fork of the test.
#ifndef _WIN32

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/child_process.h"

namespace quarvel {

ChildProcess::~ChildProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  Wait();
}

bool ChildProcess::Start(const char* /*entry*/, ChildMain main, const ChildJob& job) {
  std::fflush(nullptr);  // or the child would write the parent's buffered output again
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) ::_exit(main(job));
  pid_ = pid;
  return true;
}

int ChildProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  const pid_t pid = pid_;
  pid_ = -1;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void EndProcessNow(int code) { ::_exit(code); }

void EnterChild(ChildMain /*main*/) { std::abort(); }  // a fork runs its job directly

}  // namespace quarvel

#endif  // _WIN32
