// The promise of the import against a crash and a second import: a process ended at any operation of
// an import, or of the recovery of one, leaves a menu directory that the next recovery turns into
// exactly the old or exactly the new state, with no work file, journal or lock left; and while one
// import runs, a second one, a recovery or an analysis's write into that directory is refused.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "engine/dir_lock.h"
#include "engine/import.h"
#include "engine/recovery.h"
#include "fileio/fileio.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/import_scenario.h"

namespace quarvel {
namespace {

constexpr int kKilled = 77;

// Runs `work` in a child process under a fault platform that ends it at step `at`. Returns the
// child's exit code (kKilled when it was ended there).
template <typename Work>
int RunKilledAt(int at, Work work) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    FaultPlatform faults(NativePlatform());
    SetHost(&faults);
    faults.ExitAt(at, kKilled);
    ::_exit(work());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ImportKillTest : public ImportScenario {
 protected:
  int ChildImport() { return ImportDiff(nullptr, diff_, target_, list_) == 0 ? 0 : 1; }
  int ChildImportWithUndo() { return ImportDiff(nullptr, diff_, target_, list_, nullptr, undo_) == 0 ? 0 : 1; }
  int ChildRecover() {
    Recovery done;
    DiffFault why;
    StringAry left;
    return RecoverMenuDir(target_, &done, &why, &left) == 0 ? 0 : 1;
  }
  // Recovers in this process, then checks the state and that nothing of the import is left.
  std::string RecoverAndCheck(bool* isNew) {
    Recovery done;
    DiffFault why;
    StringAry left;
    if (RecoverMenuDir(target_, &done, &why, &left) != 0) return "recovery failed";
    return OldOrNew(isNew);
  }
};

TEST_F(ImportKillTest, KilledAtEveryStepTheRecoveryGivesTheOldOrTheNewState) {
  int points = 0, old_states = 0, new_states = 0;
  for (int k = 1;; ++k) {
    CopyDir(old_, target_);
    const int code = RunKilledAt(k, [&] { return ChildImport(); });
    if (code == 0) break;  // the import ended before step k
    ASSERT_EQ(code, kKilled) << "step " << k;
    ++points;
    bool isNew = false;
    ASSERT_EQ(RecoverAndCheck(&isNew), "") << "killed at step " << k;
    ++(isNew ? new_states : old_states);
  }
  std::printf("killed at %d steps: %d old, %d new, 0 mixed\n", points, old_states, new_states);
  EXPECT_GT(points, 100);
  EXPECT_GT(new_states, 0);
  EXPECT_GT(old_states, 0);
}

// The undo is in place, flushed, before the journal says "committing": a recovery that completes the
// import always finds it. Killed between the two, the import is rolled back and its undo stays; that
// undo, imported into the old state, gives the old state again. A kill while the undo is written
// leaves the writer's work file beside it, as a kill of any diff write does.
TEST_F(ImportKillTest, KilledAtEveryStepWithAnUndoTheRecoveryGivesTheOldStateOrTheNewOneWithItsUndo) {
  int points = 0, old_states = 0, new_states = 0, stale = 0, work_files = 0;
  for (int k = 1;; ++k) {
    CopyDir(old_, target_);
    std::filesystem::remove(undo_);
    const int code = RunKilledAt(k, [&] { return ChildImportWithUndo(); });
    if (code == 0) break;
    ASSERT_EQ(code, kKilled) << "step " << k;
    ++points;
    bool isNew = false;
    ASSERT_EQ(RecoverAndCheck(&isNew), "") << "killed at step " << k;
    ++(isNew ? new_states : old_states);
    work_files += TakeUndoWorkFile();
    const bool stays = !isNew && Exists(undo_);
    stale += stays;
    ASSERT_EQ(CheckUndo(isNew || stays), "") << "killed at step " << k;
  }
  std::printf("killed at %d steps with an undo: %d old, %d new with their undo, 0 mixed; %d old with an undo that "
              "gave the old state again, %d with the undo's work file left\n",
              points, old_states, new_states, stale, work_files);
  EXPECT_GT(points, 300);
  EXPECT_GT(new_states, 0);
  EXPECT_LT(stale, 5);
}

TEST_F(ImportKillTest, ARecoveryKilledAtEveryStepIsFinishedByTheNext) {
  // The import's steps, counted once; then kills spread over them, each recovery killed at every step.
  CopyDir(old_, target_);
  int steps = 0;
  {
    FaultPlatform counter(NativePlatform());
    ScopedHost host(&counter);
    ASSERT_EQ(ImportDiff(nullptr, diff_, target_, list_), 0);
    steps = counter.Steps();
  }
  int recoveries = 0;
  for (int k = 5; k < steps; k += steps / 12) {
    for (int j = 1;; ++j) {
      CopyDir(old_, target_);
      ASSERT_EQ(RunKilledAt(k, [&] { return ChildImport(); }), kKilled);
      const int code = RunKilledAt(j, [&] { return ChildRecover(); });
      if (code == 0) break;
      ASSERT_EQ(code, kKilled);
      ++recoveries;
      bool isNew = false;
      ASSERT_EQ(RecoverAndCheck(&isNew), "") << "import killed at " << k << ", its recovery at " << j;
    }
  }
  std::printf("%d killed recoveries recovered\n", recoveries);
  EXPECT_GT(recoveries, 50);
}

TEST_F(ImportKillTest, WhileOneImportRunsASecondIsRefusedAndTouchesNothing) {
  CopyDir(old_, target_);
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The first import stops in the middle of its staging until it is told to go on.
    FaultPlatform faults(NativePlatform());
    SetHost(&faults);
    bool paused = false;
    faults.OnStep([&](FaultOp op, int) {
      if (paused || op != FaultOp::kRename) return;
      paused = true;
      char c = 0;
      if (::write(ready[1], "r", 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(3);
    });
    ::_exit(ImportDiff(nullptr, diff_, target_, list_) == 0 ? 0 : 1);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);

  // A second diff: a document added to the same library, a menu file replaced.
  MenuDirBuilder(new_).Library("L.SSD", "lib", {{"X", "x", "same", 1}, {"Q", "q", "second", 9}});
  const DirSnapshot first_new = new_state_;
  const std::string second = dir_.path() + "second.kmd";
  diff_ = second;
  WriteDiff();

  const DirSnapshot midway = Snapshot(target_);
  ImportReport report;
  EXPECT_EQ(ImportDiff(nullptr, second, target_, list_, &report), -1);
  EXPECT_EQ(report.check.fault, DiffFault::kImportRunning);
  Recovery done;
  DiffFault why;
  StringAry left;
  EXPECT_EQ(RecoverMenuDir(target_, &done, &why, &left), -1);
  EXPECT_EQ(why, DiffFault::kImportRunning);
  EXPECT_EQ(MenuDirBusy(target_), DiffFault::kImportRunning);
  EXPECT_EQ(Difference(midway, Snapshot(target_)), "");

  ASSERT_EQ(::write(go[1], "g", 1), 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(MenuDirBusy(target_), DiffFault::kNone);
  EXPECT_FALSE(Exists(target_ + kLockName));
  EXPECT_FALSE(Exists(target_ + kJournalName));
  EXPECT_EQ(Difference(first_new, Snapshot(target_), {"L.SSD"}), "");
  // Once the first is done, the second goes ahead.
  EXPECT_EQ(ImportDiff(nullptr, second, target_, list_), 0);
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
}

}  // namespace
}  // namespace quarvel
